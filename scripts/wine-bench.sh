#!/usr/bin/env bash
# Runs a command on a private Wine bench and cleans up only what it started:
#  - a network namespace of its own, online as Windows sees it (a default route through a
#    gateway on the loopback device) while nothing can leave the machine;
#  - an Xvfb display on a free number, since windows and message boxes need one;
#  - a throwaway WINEPREFIX and HOME (by default Wine links the documents folder to $HOME),
#    created once before the command so that parallel tests never race to create it, and
#    kept warm by a persistent wineserver;
#  - a compiled ja_JP.UTF-8 locale, for tests that run Wine under code page 932.
#
#   scripts/wine-bench.sh ctest --test-dir build/win64
set -euo pipefail

die() { echo "wine-bench: $*" >&2; exit 2; }

if [[ -z ${WINE_BENCH_NETNS:-} ]]; then
  if unshare --net true 2>/dev/null; then
    exec unshare --net env WINE_BENCH_NETNS=private "$0" "$@"
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

bench=$(mktemp -d /tmp/wine-bench.XXXXXX)
xvfb_pid=
cleanup() {
  WINEPREFIX=$bench/prefix "$WINESERVER" -k 2>/dev/null || true
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$bench"
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

echo "wine-bench: display $DISPLAY, prefix $WINEPREFIX, network namespace $WINE_BENCH_NETNS" >&2
status=0
"$@" || status=$?
exit $status
