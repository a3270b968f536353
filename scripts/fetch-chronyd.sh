#!/usr/bin/env bash
# Unpacks chronyd from Debian's chrony package into .tools/chrony, for the
# tests that run it as a query-only server on loopback. Installing the
# package would replace the desktop's time service and start a daemon that
# sets the clock; unpacking does neither.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dest="$top/.tools/chrony"
[ -x "$dest/usr/sbin/chronyd" ] && exit 0

SUDO=()
[ "$(id -u)" -eq 0 ] || SUDO=(sudo)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
if ! apt-get download -qq chrony 2>/dev/null; then
    "${SUDO[@]}" apt-get update -qq
    apt-get download -qq chrony
fi
mkdir -p "$dest"
dpkg-deb -x chrony_*.deb "$dest"
echo "chronyd unpacked into $dest"
