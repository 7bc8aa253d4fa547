#!/usr/bin/env bash
# What the programs cost: start-up time beside the floor programs, measured side by side
# under Wine (64-bit builds, and the 32-bit launchers under emulated 32-bit Wine, where only
# the ratio means anything), and the size of the shipped 32-bit files. Prints one table.
#
#   bench/run.sh [runs per pair, default 25]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-25}

scripts/ensure-packages.sh cmake make python3 googletest \
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 wine wine64 xvfb iproute2
scripts/ensure-wine32.sh

programs=(VCXLauncher VPTLauncher VPTUninstaller bench_empty bench_find_window bench_delete_walk)
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" --target "${programs[@]}" >/dev/null
done

exec scripts/wine-bench.sh --win32 bench/measure.sh "$runs"
