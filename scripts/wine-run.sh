#!/usr/bin/env bash
# Runs a program of the 64-bit Windows build under Wine, on the bench that
# scripts/wine-bench.sh prepares; CTest uses it as the emulator. Fails loudly, never skips,
# when the bench is missing.
#
#   [WINE_RUN_CODE_PAGE=932] wine-run.sh program.exe [arguments...]
# With WINE_RUN_CODE_PAGE=932 the program runs with the ANSI code page 932 (Shift JIS).
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
exec "$WINE64" "$@"
