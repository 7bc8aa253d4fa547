#!/usr/bin/env bash
# Runs a command on a private Wine bench and cleans up only what it started:
#  - a network namespace of its own, online as Windows sees it (a default route through a
#    gateway on the loopback device) while nothing can leave the machine;
#  - an Xvfb display on a free number, since windows and message boxes need one;
#  - a throwaway WINEPREFIX and HOME (by default Wine links the documents folder to $HOME),
#    created once before the command so that parallel tests never race to create it, and
#    kept warm by a persistent wineserver; its crash debugger is off, so that a crashing
#    program exits instead of waiting on a dialog;
#  - a compiled ja_JP.UTF-8 locale, for tests that run Wine under code page 932.
# Options:
#  --win32                 the bench also runs 32-bit programs: 32-bit Wine under the
#                          emulator that scripts/ensure-wine32.sh installs; it fails when
#                          either is missing. The prefix is the same 64-bit one: its loader,
#                          /usr/lib/wine/wine64, hands 32-bit programs to the 32-bit loader.
#  --loopback-host NAME    NAME resolves to 127.0.0.1 on the bench (a hosts file of the
#                          bench's own, over /etc/hosts in a private mount namespace), so that
#                          programs built for a real service host talk to a loopback stand-in.
#
#   scripts/wine-bench.sh ctest --test-dir build/win64
#   scripts/wine-bench.sh --win32 --loopback-host notice.vintorra.example ctest --preset win32
set -euo pipefail

die() { echo "wine-bench: $*" >&2; exit 2; }

arguments=("$@")
win32=
loopback_hosts=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --win32) win32=yes; shift ;;
    --loopback-host) [[ $# -ge 2 ]] || die "--loopback-host needs a name"
                     loopback_hosts+=("$2"); shift 2 ;;
    *) break ;;
  esac
done
[[ $# -gt 0 ]] || die "no command to run"

if [[ ${#loopback_hosts[@]} -gt 0 ]]; then
  # A hosts file of the bench's own needs a mount namespace of its own.
  if [[ -z ${WINE_BENCH_NETNS:-} ]]; then
    unshare --net --mount true 2>/dev/null ||
      die "cannot create network and mount namespaces (root needed) for --loopback-host"
    exec unshare --net --mount env WINE_BENCH_NETNS=private WINE_BENCH_MOUNTNS=private \
      "$0" "${arguments[@]}"
  fi
  [[ ${WINE_BENCH_MOUNTNS:-} == private ]] || die "--loopback-host needs the bench's own mount namespace"
  hosts=$(mktemp /tmp/wine-bench-hosts.XXXXXX)
  { cat /etc/hosts; printf '127.0.0.1 %s\n' "${loopback_hosts[@]}"; } >"$hosts"
  chmod 644 "$hosts"
  mount --bind "$hosts" /etc/hosts || die "cannot lay the bench's hosts file over /etc/hosts"
  # Kept until the bench ends: a test can lay a hosts file of its own over this one
  # (wine-run.sh), which the system refuses over a file that is gone.
fi
if [[ -z ${WINE_BENCH_NETNS:-} ]]; then
  if unshare --net true 2>/dev/null; then
    exec unshare --net env WINE_BENCH_NETNS=private "$0" "${arguments[@]}"
  fi
  echo "wine-bench: WARNING: cannot create a network namespace (root needed);" \
       "tests that need a given online state will fail" >&2
  export WINE_BENCH_NETNS=shared
fi
if [[ $WINE_BENCH_NETNS == private ]]; then
  ip link set lo up
  ip address add 10.213.0.1/24 dev lo
  ip route add default via 10.213.0.1
fi

WINE64=${WINE64:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
[[ -x $WINE64 ]] || die "64-bit Wine not found at $WINE64 (apt-get install wine64)"
[[ -x $WINESERVER ]] || die "wineserver not found at $WINESERVER"
command -v Xvfb >/dev/null || die "Xvfb not found (apt-get install xvfb)"
if [[ -n $win32 ]]; then
  [[ -x /usr/lib/wine/wine ]] || die "32-bit Wine not found: run scripts/ensure-wine32.sh as root"
  grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null ||
    die "no emulator is registered for i386 programs: run scripts/ensure-wine32.sh as root"
  /usr/lib/wine/wine --version >/dev/null 2>&1 ||
    die "the 32-bit Wine loader does not run under the emulator: run scripts/ensure-wine32.sh as root"
fi

bench=$(mktemp -d /tmp/wine-bench.XXXXXX)
xvfb_pid=
cleanup() {
  WINEPREFIX=$bench/prefix "$WINESERVER" -k 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$bench"
  [[ -z ${hosts:-} ]] || rm -f "$hosts"
}
trap cleanup EXIT

# Xvfb on the first display number that nobody holds.
for display in $(seq 90 189); do
  [[ -e /tmp/.X$display-lock || -e /tmp/.X11-unix/X$display ]] && continue
  Xvfb ":$display" -nolisten tcp -screen 0 1024x768x24 >"$bench/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do
    [[ -e /tmp/.X11-unix/X$display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -e /tmp/.X11-unix/X$display ]]; then
    export DISPLAY=:$display
    break
  fi
  xvfb_pid=
done
[[ -n ${DISPLAY:-} && -n $xvfb_pid ]] || die "no free X display could be started"

export WINEPREFIX=$bench/prefix HOME=$bench/home WINEDEBUG=-all WINE64 WINESERVER
export WINEDLLOVERRIDES="mscoree,mshtml=d"   # no Mono or Gecko installers
mkdir -p "$HOME"
"$WINE64" wineboot --init >"$bench/wineboot.log" 2>&1 || die "wineboot failed: $(cat "$bench/wineboot.log")"
# No window manager runs on the display: tell Wine so, or it waits 2 s for one whenever a
# window (such as a message box) goes away.
"$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# No crash debugger, for 64-bit and 32-bit programs alike: a crash ends the program.
for view in /reg:64 /reg:32; do
  "$WINE64" reg delete 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger \
    /f "$view" >/dev/null 2>&1
done
if [[ -n $win32 && ! -f $WINEPREFIX/drive_c/windows/syswow64/kernel32.dll ]]; then
  die "the prefix has no 32-bit side (syswow64): 32-bit Wine did not take part in wineboot"
fi
"$WINESERVER" -w
# The persistent server and the services that the next start brings up (services.exe,
# winedevice, the desktop's explorer) outlive every test: they must not hold the tests'
# output pipes open, or CTest waits for them.
"$WINESERVER" -p >/dev/null 2>&1 </dev/null
"$WINE64" wineboot >/dev/null 2>&1 </dev/null

# localedef warns about some of the locale's own definitions and exits 1 while still
# writing a usable locale: judge by what it wrote.
mkdir -p "$bench/locales"
localedef -i ja_JP -f UTF-8 "$bench/locales/ja_JP.UTF-8" >/dev/null 2>&1 || true
if [[ -f $bench/locales/ja_JP.UTF-8/LC_CTYPE ]]; then
  export WINE_BENCH_LOCPATH=$bench/locales
fi

echo "wine-bench: display $DISPLAY, prefix $WINEPREFIX, network namespace $WINE_BENCH_NETNS${win32:+, 32-bit programs too}${loopback_hosts[*]:+, loopback hosts ${loopback_hosts[*]}}" >&2
status=0
"$@" || status=$?
exit $status
