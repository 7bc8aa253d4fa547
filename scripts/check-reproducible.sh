#!/usr/bin/env bash
# Builds the shipped programs twice, from copies of the source tree in two different folders,
# and checks that the files are byte for byte the same: no timestamps, no absolute paths.
set -euo pipefail
source=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d /tmp/reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
programs=(VCXLauncher VPTLauncher VPTUninstaller)

build() {  # source copy folder
  mkdir -p "$1"
  (cd "$source" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$1")
  cmake -S "$1" -B "$1/build" -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DBUILD_TESTING=OFF >/dev/null
  cmake --build "$1/build" -j "$(nproc)" --target "${programs[@]}" >/dev/null
}
build "$work/first"
build "$work/a/second/copy/at/another/depth"

status=0
for program in "${programs[@]}"; do
  first=$(sha256sum <"$work/first/build/bin/$program.exe" | cut -d' ' -f1)
  second=$(sha256sum <"$work/a/second/copy/at/another/depth/build/bin/$program.exe" | cut -d' ' -f1)
  if [[ $first == "$second" ]]; then
    echo "$program.exe: identical ($first)"
  else
    echo "$program.exe: DIFFERENT ($first, $second)"
    status=1
  fi
done
exit $status
