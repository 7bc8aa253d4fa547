#!/usr/bin/env bash
# Builds the shipped 32-bit programs into dist/, installing the toolchain if it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/ensure-packages.sh cmake make g++-mingw-w64-i686-win32 binutils-mingw-w64-i686

programs=(VCXLauncher VPTLauncher VPTUninstaller)
cmake --preset win32 -DBUILD_TESTING=OFF >/dev/null
cmake --build --preset win32 -j "$(nproc)" --target "${programs[@]}"

mkdir -p dist
for program in "${programs[@]}"; do
  cp "build/win32/bin/$program.exe" dist/
done
# The checksums of what now lies in dist/, in the form `sha256sum -c` reads; one left by an
# earlier signing would name other bytes.
(cd dist && sha256sum "${programs[@]/%/.exe}" >SHA256SUMS)
echo "dist/:"
for file in dist/*.exe; do
  printf '  %-22s %7d bytes  sha256 %s\n' "$(basename "$file")" "$(stat -c %s "$file")" \
    "$(sha256sum "$file" | cut -d' ' -f1)"
done
