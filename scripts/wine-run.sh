#!/usr/bin/env bash
# Runs a program of the 64-bit Windows build under Wine, on the bench that
# scripts/wine-bench.sh prepares; CTest uses it as the emulator. Fails loudly, never skips,
# when the bench is missing.
#
#   [WINE_RUN_CODE_PAGE=932] [WINE_RUN_NETWORK=offline] [WINE_RUN_RESOLVER=silent]
#   [WINE_RUN_HOSTS=file] wine-run.sh program.exe [arguments...]
# With WINE_RUN_CODE_PAGE=932 the program runs with the ANSI code page 932 (Shift JIS); with
# WINE_RUN_NETWORK=offline the bench's network namespace loses its default route meanwhile,
# so that Windows reports no Internet connection.
# Name lookup (Wine resolves through the host's C library): WINE_RUN_RESOLVER=silent makes the
# only name server a loopback address where a UDP socket swallows every query, and
# WINE_RUN_HOSTS replaces /etc/hosts by the given file; both in a private mount namespace
# around Wine and the programs it starts. The hosts file's addresses of the IPv6 documentation
# prefix 2001:db8::/32 are routed meanwhile into a device that drops every packet, so that a
# connection to one of them is never answered.
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
resolver_pid=
dead_device=
finish() {
  cat "$output"
  rm -f "$output"
  [[ -z $restore_network ]] || ip route add default via "$restore_network"
  [[ -z $resolver_pid ]] || { kill "$resolver_pid"; wait "$resolver_pid" 2>/dev/null || true; }
  [[ -z $dead_device ]] || ip link del "$dead_device"
  [[ -z ${name_files:-} ]] || rm -rf "$name_files"
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
private_network() {
  [[ ${WINE_BENCH_NETNS:-} == private ]] ||
    die "$1 needs the bench's own network namespace (root and unshare)"
}

# Files bound over /etc/hosts and /etc/resolv.conf, in a mount namespace of Wine's own.
binds=()
case ${WINE_RUN_RESOLVER:-} in
  "") ;;
  silent)
    private_network "a silent name server"
    name_files=$(mktemp -d)
    echo "nameserver 127.0.0.53" >"$name_files/resolv.conf"
    binds+=("$name_files/resolv.conf" /etc/resolv.conf)
    python=/usr/bin/python3
    [[ -x $python ]] || die "python3 not found at $python (apt-get install python3)"
    "$python" -c '
import socket, sys
sink = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
sink.bind(("127.0.0.53", 53))
print("ready", flush=True)
sys.stdout.close()
while True:
    sink.recv(65536)' >"$name_files/ready" &
    resolver_pid=$!
    for _ in $(seq 50); do [[ -s $name_files/ready ]] && break; sleep 0.1; done
    [[ -s $name_files/ready ]] || die "the silent name server did not start" ;;
  *) die "unknown resolver $WINE_RUN_RESOLVER" ;;
esac
if [[ -n ${WINE_RUN_HOSTS:-} ]]; then
  [[ -f $WINE_RUN_HOSTS ]] || die "no hosts file $WINE_RUN_HOSTS"
  binds+=("$WINE_RUN_HOSTS" /etc/hosts)
  dead_addresses=$(awk '$1 ~ /^2001:[dD][bB]8:/ {print $1}' "$WINE_RUN_HOSTS" | sort -u)
  if [[ -n $dead_addresses ]]; then
    private_network "a hosts file with addresses that never answer"
    # An ifb device that nothing redirects to drops what it is given, and needs no neighbour
    # discovery (NOARP). Its own address gives the routes a global source, so that the C
    # library does not sort the dead addresses behind loopback.
    dead_device=wrun-dead
    ip link add "$dead_device" type ifb
    ip link set "$dead_device" up
    ip -6 address add 2001:db8:ffff::1/128 dev "$dead_device" nodad
    for address in $dead_addresses; do
      ip -6 route add "$address/128" dev "$dead_device"
    done
  fi
fi

if (( ${#binds[@]} )); then
  unshare --mount sh -c '
    while [ $# -gt 0 ] && [ "$1" != -- ]; do mount --bind "$1" "$2" || exit 2; shift 2; done
    shift
    exec "$@"' sh "${binds[@]}" -- "$WINE64" "$@" >"$output" 2>&1
else
  "$WINE64" "$@" >"$output" 2>&1
fi
