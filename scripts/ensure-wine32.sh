#!/usr/bin/env bash
# Makes a Debian 12 machine run 32-bit Windows programs under Wine, as root. The kernel of
# these machines cannot execute 32-bit code, so 32-bit Linux programs (the 32-bit Wine
# loader among them) run through the user-mode emulator qemu-i386:
#  - Debian's wine32:i386 (multiarch i386), the same version as wine64;
#  - qemu-i386 10.x, taken from the qemu-user package of bookworm-backports (bookworm's own
#    7.2 cannot map Wine's shared user data) and kept in $QEMU_HOME; nothing else comes from
#    backports and nothing is upgraded from there;
#  - a binfmt_misc entry "qemu-i386" that hands i386 ELF files to it (flag F: the kernel
#    opens the emulator once, at registration). The entry is machine-wide and lost at
#    reboot; it is checked first and written only when missing or pointing elsewhere.
# 64-bit Wine keeps working as before, but /usr/bin/wine now prefers the 32-bit loader: call
# /usr/lib/wine/wine64, which hands 32-bit programs to the 32-bit loader by itself.
#
#   scripts/ensure-wine32.sh     (scripts/test.sh and bench/run.sh run it)
set -euo pipefail

die() { echo "ensure-wine32: $*" >&2; exit 1; }

QEMU_HOME=${QEMU_HOME:-/opt/wine32-bench}
qemu=$QEMU_HOME/qemu-i386
binfmt=/proc/sys/fs/binfmt_misc
entry=$binfmt/qemu-i386
# i386 ELF executables and shared objects (the mask lets e_type be ET_EXEC or ET_DYN).
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

qemu_is_usable() {  # path: a qemu-i386 of major version 10 or later
  local version
  version=$("$1" --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\)\..*/\1/p')
  [[ -n $version && $version -ge 10 ]]
}

[[ $(id -u) -eq 0 ]] || die "root is needed to install 32-bit Wine and register the emulator"
export DEBIAN_FRONTEND=noninteractive

# 32-bit Wine, at the version of the installed 64-bit Wine (the two must match).
wine_version=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null) ||
  die "wine64 is not installed (scripts/ensure-packages.sh wine64)"
if [[ $(dpkg-query -W -f='${Status} ${Version}' wine32:i386 2>/dev/null) != \
      "install ok installed $wine_version" ]]; then
  echo "Installing: wine32:i386 $wine_version" >&2
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get -o DPkg::Lock::Timeout=600 update -q
  apt-get install -y -q --no-install-recommends -o DPkg::Lock::Timeout=600 \
    "wine32:i386=$wine_version"
fi

# The emulator: downloaded from backports through a source list of its own, so that the
# machine's apt sources, lists and caches stay as they are.
if ! qemu_is_usable "$qemu"; then
  echo "Fetching qemu-i386 10.x (qemu-user from bookworm-backports)" >&2
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  chmod 755 "$work"  # apt fetches as its own user, _apt
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/parts"
  cat >"$work/backports.sources" <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  apt_private=(-o "Dir::Etc::SourceList=$work/none.list" -o "Dir::Etc::SourceParts=$work/parts"
               -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache"
               -o "APT::Architectures=amd64")
  mv "$work/backports.sources" "$work/parts/"
  apt-get "${apt_private[@]}" update -q >/dev/null
  (cd "$work" && apt-get "${apt_private[@]}" download qemu-user/bookworm-backports)
  dpkg -x "$work"/qemu-user_*.deb "$work/unpacked"
  mkdir -p "$QEMU_HOME"
  install -m 755 "$work/unpacked/usr/bin/qemu-i386" "$qemu.new"
  mv "$qemu.new" "$qemu"
  qemu_is_usable "$qemu" || die "the downloaded qemu-i386 is not 10.x: $("$qemu" --version | head -1)"
fi

# The binfmt entry.
if [[ ! -e $binfmt/register ]]; then
  mount -t binfmt_misc binfmt_misc "$binfmt" || die "cannot mount binfmt_misc at $binfmt"
fi
if [[ -e $entry ]] && grep -qx enabled "$entry" && grep -qx "interpreter $qemu" "$entry" &&
   grep -q '^flags: .*F' "$entry"; then
  :  # already in place
else
  if [[ -e $entry ]]; then
    echo "Replacing the binfmt entry qemu-i386 ($(sed -n 's/^interpreter //p' "$entry"))" >&2
    echo -1 >"$entry"
  fi
  echo ":qemu-i386:M::$magic:$mask:$qemu:F" >"$binfmt/register" ||
    die "cannot register $qemu for i386 programs in $binfmt"
fi

# Proof: the 32-bit Wine loader, an i386 program, runs.
/usr/lib/wine/wine --version >/dev/null 2>&1 ||
  die "the 32-bit Wine loader does not run through $qemu"
