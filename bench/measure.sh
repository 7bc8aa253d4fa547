#!/usr/bin/env bash
# The benchmark's measurements, run by bench/run.sh on a Wine bench of its own (with
# 32-bit programs: scripts/wine-bench.sh --win32).
set -euo pipefail
runs=$1
wine=$WINE64
bin=build/win64/bin
reg() { "$wine" reg "$@" >/dev/null 2>&1; }
median_pair() { bench/interleave.py "$runs" "$wine $1" "$wine $2"; }

# The programs lie in a folder without companions.
folder=$(mktemp -d)
for program in VCXLauncher VPTLauncher VPTUninstaller bench_empty bench_find_window; do
  cp "$bin/$program.exe" "$folder/"
done
cp "$bin/bench_delete_walk.exe" "$folder/"

corrindel='HKCU\SOFTWARE\Vintorra\Vintorra Corrindel'
paltrun='HKCU\SOFTWARE\Vintorra\Vintorra Paltrun'
switches() {  # every switch of both products set to $1
  for name in ScanAtStartup s_Enable s_SmartScan SpeedGuard Reminder; do
    reg add "$corrindel" /v "$name" /t REG_DWORD /d "$1" /f
  done
  for name in s_Enable s_SmartScan; do reg add "$paltrun" /v "$name" /t REG_DWORD /d "$1" /f; done
}

printf '%-58s %9s %9s %7s  %s\n' "measure" "program" "floor" "ratio" "target"
ratio_row() {  # label, program's time, floor's time, highest ratio allowed
  local ratio verdict
  ratio=$(awk -v a="$2" -v b="$3" 'BEGIN { printf "%.2f", a / b }')
  verdict=$(awk -v r="$ratio" -v t="$4" 'BEGIN { print (r <= t) ? "met" : "NOT met" }')
  printf '%-58s %8.3fs %8.3fs %7s  <= %s %s\n' "$1" "$2" "$3" "$ratio" "$4" "$verdict"
}
row() {  # label, program, floor
  read -r a b < <(median_pair "$2" "$3")
  ratio_row "$1" "$a" "$b" 1.15
}

launcher_rows() {  # folder of the launchers and floors
  switches 0
  row "VCXLauncher, every switch off / empty program" "$1/VCXLauncher.exe" "$1/bench_empty.exe"
  row "VPTLauncher, every switch off / empty program" "$1/VPTLauncher.exe" "$1/bench_empty.exe"
  switches 1
  row "VCXLauncher, every switch on, no companions / FindWindowA" "$1/VCXLauncher.exe" "$1/bench_find_window.exe"
  row "VPTLauncher, every switch on, no companions / FindWindowA" "$1/VPTLauncher.exe" "$1/bench_find_window.exe"
  reg delete 'HKCU\SOFTWARE\Vintorra' /f
}
echo "x86_64 builds, under 64-bit Wine:"
launcher_rows "$folder"

# The uninstaller with nothing to do: no windows, no data folder, no page; the notice
# service refuses (nothing listens on port 80).
row "VPTUninstaller, nothing to do, service refuses / FindWindowA" "$folder/VPTUninstaller.exe" "$folder/bench_find_window.exe"
bench/notice_service.py answer & service=$!
sleep 0.5
row "VPTUninstaller, service answers 200 / FindWindowA" "$folder/VPTUninstaller.exe" "$folder/bench_find_window.exe"
kill "$service"; wait "$service" 2>/dev/null || true
# The uninstaller deleting a data folder of 10,000 files in 100 folders (none at the top, in
# "Backup" or in "Drivers": no question), against the plainest walk that deletes the same
# tree; the folder is made afresh before every run, outside the timing.
profile=$("$wine" cmd /c 'echo %USERPROFILE%' | tr -d '\r')
data="$profile\\Documents\\Vintorra\\Vintorra Paltrun"
data_unix=$("$wine" winepath -u "$data" | tr -d '\r')
deletion_runs=$(( runs < 11 ? runs : 11 ))
read -r a b < <(bench/deletion_pair.py "$deletion_runs" "$data_unix" 100 100 \
  "$wine $folder/VPTUninstaller.exe" "$wine $folder/bench_delete_walk.exe '$data'")
ratio_row "VPTUninstaller, data folder of 10,000 files / plain walk" "$a" "$b" 1.3
rm -rf "$(dirname "$data_unix")"

bench/notice_service.py silent & service=$!
sleep 0.5
start=$(date +%s.%N)
"$wine" "$folder/VPTUninstaller.exe"
worst=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f", e - s }')
kill "$service"; wait "$service" 2>/dev/null || true
printf '%-58s %8ss %9s %7s  <= 15 s (limit 10 s) %s\n' "VPTUninstaller, service accepts, never answers" "$worst" "" "" \
  "$(awk -v w="$worst" 'BEGIN { print (w <= 15) ? "met" : "NOT met" }')"

# The shipped 32-bit launchers beside the floors built for i686, on the bench's emulated
# 32-bit Wine: emulation slows both sides, so only the ratio means anything.
folder32=$(mktemp -d)
for program in VCXLauncher VPTLauncher bench_empty bench_find_window; do
  cp "build/win32/bin/$program.exe" "$folder32/"
done
echo "i686 builds, under emulated 32-bit Wine:"
launcher_rows "$folder32"
rm -rf "$folder32"

echo
printf '%-24s %9s  %s\n' "i686 file" "KiB" "target"
for program in VCXLauncher VPTLauncher VPTUninstaller bench_empty; do
  size=$(stat -c %s "build/win32/bin/$program.exe")
  case $program in
    VPTUninstaller) limit=128 ;;
    bench_empty) limit= ;;
    *) limit=100 ;;
  esac
  kib=$(awk -v s="$size" 'BEGIN { printf "%.1f", s / 1024 }')
  if [[ -n $limit ]]; then
    verdict=$(awk -v k="$kib" -v l="$limit" 'BEGIN { print (k <= l) ? "met" : "NOT met" }')
    printf '%-24s %9s  <= %s KiB %s\n' "$program.exe" "$kib" "$limit" "$verdict"
  else
    printf '%-24s %9s\n' "$program.exe (floor)" "$kib"
  fi
done
rm -rf "$folder"
