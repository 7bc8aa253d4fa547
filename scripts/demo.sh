#!/usr/bin/env bash
# A tour of what the three programs do, without a Windows machine: in a throwaway Wine
# prefix it writes sample settings, places stand-in companion programs that report how they
# were started, runs a launcher, then the uninstaller against a loopback notice service with
# the companions' windows open and a sample data folder, and tells what happened.
#
#   scripts/demo.sh
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ${1:-} != --on-bench ]]; then
  scripts/ensure-packages.sh cmake make python3 googletest g++-mingw-w64-x86-64-win32 \
    wine wine64 xvfb iproute2
  echo "Building the 64-bit programs (these machines run Windows programs through 64-bit Wine)..."
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 -j "$(nproc)" \
    --target VCXLauncher VPTUninstaller companion_stub answer_box >/dev/null
  exec scripts/wine-bench.sh "$0" --on-bench
fi

wine() { "$WINE64" "$@"; }
bin=build/win64/bin
demo=$WINEPREFIX/drive_c/Demo
records=$demo/records
mkdir -p "$demo/Corrindel" "$demo/Paltrun" "$records"
export STUB_RECORD_DIR='C:\Demo\records'
heading() { printf '\n== %s ==\n' "$1"; }
show_mode() { case $1 in 1) echo "shown normally (SW_SHOWNORMAL)" ;; 8) echo "shown without activation (SW_SHOWNA)" ;; *) echo "show mode $1" ;; esac; }

# The starts recorded by the stand-ins, oldest first: "created|program|arguments|show|folder".
starts() {
  for record in "$records"/*.record; do
    [[ -e $record ]] || continue
    awk -F= '{ v[$1] = substr($0, length($1) + 2) }
             END { printf "%s|%s|%s|%s|%s\n", v["created"], v["program"], v["arguments"], v["show"], v["folder"] }' "$record"
  done | sort -n
}
wait_for_records() {  # count
  for _ in $(seq 100); do
    [[ $(ls "$records"/*.record 2>/dev/null | wc -l) -ge $1 ]] && break
    sleep 0.1
  done
  sleep 0.3
}
# A stand-in companion that owns a window with its title and logs the stop messages it gets.
open_window() {  # program title message...
  local program=$1
  shift
  (wine "$program" --window "$@" >/dev/null 2>&1 &)
}

heading "Start-up: VCXLauncher"
cp "$bin/VCXLauncher.exe" "$demo/Corrindel/"
for companion in Corrindel VCXSchedule VCXSmartScan VCXGuard; do
  cp "$bin/companion_stub.exe" "$demo/Corrindel/$companion.exe"
done
key='HKCU\SOFTWARE\Vintorra\Vintorra Corrindel'
for setting in ScanAtStartup=1 s_Enable=1 s_SmartScan=1 SpeedGuard=0 Reminder=1; do
  wine reg add "$key" /v "${setting%=*}" /t REG_DWORD /d "${setting#*=}" /f >/dev/null 2>&1
done
echo "Settings in $key:"
echo "  ScanAtStartup=1  s_Enable=1  s_SmartScan=1  SpeedGuard=0  Reminder=1"
echo "Next to the launcher: Corrindel.exe, VCXSchedule.exe, VCXSmartScan.exe, VCXGuard.exe"
echo "  (no VCXReminder.exe)."
open_window 'C:\Demo\Corrindel\VCXSchedule.exe' VCXSchedule
wait_for_records 1
rm -f "$records"/*
echo "The scheduler already runs: a window titled \"VCXSchedule\" is open."
echo
set +e
(cd "$demo" && wine 'C:\Demo\Corrindel\VCXLauncher.exe')
status=$?
set -e
wait_for_records 2
echo "VCXLauncher.exe ended with exit status $status. It started, in this order:"
while IFS='|' read -r _ program arguments show folder; do
  printf '  %-18s arguments %-10s %s, current folder %s\n' "$program" "${arguments:-(none)}" \
    "$(show_mode "$show")" "$folder"
done < <(starts)
echo "Not started: VCXSchedule.exe (already running), VCXGuard.exe (switched off),"
echo "  VCXReminder.exe (not installed)."

heading "Removal: VPTUninstaller"
rm -f "$records"/*
cp "$bin/VPTUninstaller.exe" "$demo/Paltrun/"
for program in VPTSchedule VPTSmartScan Paltrun UninstallPage; do
  cp "$bin/companion_stub.exe" "$demo/Paltrun/$program.exe"
done
run='HKCU\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
wine reg add "$run" /v "Vintorra Paltrun" /d 'C:\Demo\Paltrun\Paltrun.exe /tray' /f >/dev/null 2>&1
wine reg add "$run" /v "Other Tool" /d 'C:\Tools\other.exe' /f >/dev/null 2>&1
wine reg add 'HKCU\SOFTWARE\Vintorra\Vintorra Paltrun' /v UninstallURL \
  /d 'C:\Demo\Paltrun\UninstallPage.exe' /f >/dev/null 2>&1
echo "Autostart values: \"Vintorra Paltrun\" and \"Other Tool\"."
echo "UninstallURL names a stand-in program, so that the page's opening shows."
documents=$(wine winepath -u "$(wine cmd /c echo %USERPROFILE% 2>/dev/null | tr -d '\r')\\Documents" 2>/dev/null)
data="$documents/Vintorra/Vintorra Paltrun"
mkdir -p "$data/Backup" "$data/Drivers/x64" "$documents/Vintorra/Other Product"
echo "backup" >"$data/Backup/disk-2026-11.bak"
echo "driver" >"$data/Drivers/x64/net.inf"
echo "[settings]" >"$data/settings.ini"
echo "keep" >"$documents/Vintorra/Other Product/notes.txt"
echo "Data folder, below the documents folder:"
(cd "$documents" && find Vintorra | sort | sed 's/^/  /')

open_window 'C:\Demo\Paltrun\VPTSchedule.exe' VPTSchedule VPTSchedule
open_window 'C:\Demo\Paltrun\VPTSmartScan.exe' VPTSmartScan VPTSmartScan
open_window 'C:\Demo\Paltrun\Paltrun.exe' "Vintorra Paltrun" VPTUninstall
wait_for_records 3
rm -f "$records"/*.record
echo "Running: the scheduler, the smart-scan component and the main program, each with its window."
notice_log=$(mktemp)
bench/notice_service.py answer "$notice_log" &
service=$!
sleep 0.5
question=$(mktemp)
wine "$bin/answer_box.exe" Confirmation yes >"$question" 2>/dev/null &
answerer=$!
echo
set +e
(cd "$demo" && wine 'C:\Demo\Paltrun\VPTUninstaller.exe')
status=$?
set -e
wait "$answerer" || true
wait_for_records 1
kill "$service" 2>/dev/null || true
echo "VPTUninstaller.exe ended with exit status $status."
echo
echo "Autostart values left:"
wine reg query "$run" 2>/dev/null | tr -d '\r' | awk 'NF && !/^HKEY/ { print "  " $0 }'
echo
echo "The notice service received (line ends shown as \\r\\n):"
sed 's/\r$/\\r\\n/; s/^/  /' "$notice_log"
echo
echo "Stop messages received by the running programs:"
for log in $(ls -tr "$records"/*.messages 2>/dev/null); do
  sed 's/^/  /' "$log"
done
echo
while IFS='|' read -r _ program arguments show _; do
  echo "Opened the uninstall page: $program, $(show_mode "$show")."
done < <(starts)
echo "Question asked, answered Yes: \"$(tr -d '\r' <"$question" | head -1)\""
echo
echo "Left below the documents folder:"
(cd "$documents" && find Vintorra | sort | sed 's/^/  /')
echo "(\"Vintorra\" and other products' folders stay; the data folder went.)"
