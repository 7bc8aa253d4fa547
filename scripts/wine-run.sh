#!/usr/bin/env bash
# Runs a program of the 64-bit Windows build under Wine, on the bench that
# scripts/wine-bench.sh prepares; CTest uses it as the emulator. Fails loudly, never skips,
# when the bench is missing.
#
#   [WINE_RUN_CODE_PAGE=932] [WINE_RUN_NETWORK=offline] wine-run.sh program.exe [arguments...]
# With WINE_RUN_CODE_PAGE=932 the program runs with the ANSI code page 932 (Shift JIS); with
# WINE_RUN_NETWORK=offline the bench's network namespace loses its default route meanwhile,
# so that Windows reports no Internet connection.
set -euo pipefail

die() { echo "wine-run: $*" >&2; exit 2; }

case ${WINE_RUN_CODE_PAGE:-} in
  "") ;;
  932)
    [[ -n ${WINE_BENCH_LOCPATH:-} ]] || die "no ja_JP.UTF-8 locale on the bench (apt-get install locales)"
    export LOCPATH=$WINE_BENCH_LOCPATH LC_ALL=ja_JP.UTF-8 ;;
  *) die "only code page 932 is prepared, not $WINE_RUN_CODE_PAGE" ;;
esac

WINE64=${WINE64:-/usr/lib/wine/wine64}
[[ -x $WINE64 ]] || die "64-bit Wine not found at $WINE64 (apt-get install wine64)"
[[ -n ${WINEPREFIX:-} && -d ${WINEPREFIX:-} ]] ||
  die "no prepared WINEPREFIX: run the tests through scripts/wine-bench.sh (scripts/test.sh does)"
[[ -n ${DISPLAY:-} ]] || die "no X display: run the tests through scripts/wine-bench.sh"
# Wine's programs run several times slower when their standard output and error share one
# pipe, as they do under CTest: collect both in a file and pass it on at the end.
output=$(mktemp)
restore_network=
finish() {
  cat "$output"
  rm -f "$output"
  [[ -z $restore_network ]] || ip route add default via "$restore_network"
}
trap finish EXIT

case ${WINE_RUN_NETWORK:-} in
  "") ;;
  offline)
    [[ ${WINE_BENCH_NETNS:-} == private ]] ||
      die "going offline needs the bench's own network namespace (root and unshare)"
    restore_network=$(ip route show default | awk '{print $3; exit}')
    [[ -n $restore_network ]] || die "the bench has no default route to take away"
    ip route del default ;;
  *) die "unknown network state $WINE_RUN_NETWORK" ;;
esac
"$WINE64" "$@" >"$output" 2>&1
