#!/usr/bin/env bash
# Installs what is missing, builds the host, 32-bit and 64-bit trees, and runs every test
# through CTest: native unit tests and the fuzzer, checks of the built programs' PE files,
# signing of copies of them with throwaway keys, and the end-to-end tests of the 64-bit
# programs (unsigned and signed) under Wine, on a private bench.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS

scripts/ensure-packages.sh \
  cmake make g++ clang libclang-rt-14-dev googletest \
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 \
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 \
  python3 python3-pefile wine wine64 xvfb locales iproute2 \
  osslsigncode openssl softhsm2 libengine-pkcs11-openssl opensc

jobs=$(nproc)
for preset in host win32 win64; do
  cmake --preset "$preset" -DBUILD_TESTING=ON >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

failed=()
ctest --preset host || failed+=(host)
ctest --preset win32 || failed+=(win32)
scripts/wine-bench.sh ctest --preset win64 || failed+=(win64)

echo "Tests took $((SECONDS - start)) s in all."
if [[ ${#failed[@]} -gt 0 ]]; then
  echo "FAILED: ${failed[*]}" >&2
  exit 1
fi
