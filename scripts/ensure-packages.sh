#!/usr/bin/env bash
# Installs, with apt-get, those of the given Debian packages that are not installed yet.
#   scripts/ensure-packages.sh cmake wine64 ...
set -euo pipefail
missing=()
for package in "$@"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q '^install ok installed$' ||
    missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0
echo "Installing: ${missing[*]}" >&2
[[ $(id -u) -eq 0 ]] || { echo "ensure-packages: root is needed to install ${missing[*]}" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
