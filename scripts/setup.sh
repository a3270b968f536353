#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Usage: scripts/setup.sh [--tests | --package | --measure]
set -euo pipefail

SUDO=()
[ "$(id -u)" -eq 0 ] || SUDO=(sudo)

packages=(g++ cmake ninja-build pkg-config qt6-base-dev libcap-dev libseccomp-dev libasound2-dev libxcb1-dev fonts-nanum fonts-liberation2 tzdata qt6-translations-l10n)
if [ "${1:-}" = "--tests" ]; then
    # GoogleTest, and the libraries of the reference NTP server the tests
    # run (its binary is unpacked into .tools/, never installed as a service).
    packages+=(libgtest-dev libgmock-dev libedit2 libgnutls30 libnettle8 libseccomp2 libcap2)
    # The schedule book's benchmark, built with the tests.
    packages+=(libbenchmark-dev)
    # A throwaway X desktop with a tray, for the program's own window tests.
    packages+=(xvfb jwm xdotool x11-utils x11-xserver-utils imagemagick xcompmgr)
    # A network namespace with only loopback, for the shipped program's test.
    packages+=(iproute2)
    # A session bus of the alarm test's own with a notification service on it.
    packages+=(dbus-daemon dbus-bin dunst)
fi
if [ "${1:-}" = "--measure" ]; then
    # The desktop measurement: a throwaway X desktop, a network namespace,
    # and the programs it compares with (never installed by tests or CI);
    # strace holds back the helper's send in the compare measurement.
    packages+=(xvfb jwm xdotool x11-utils iproute2 gnome-clocks x11-apps dbus-daemon strace)
fi
if [ "${1:-}" = "--package" ]; then
    # The Debian package: its library dependencies are read from the programs.
    packages+=(dpkg-dev file)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${SUDO[@]}" apt-get update -qq
    "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ "${1:-}" = "--tests" ]; then
    "$(dirname "$0")/fetch-chronyd.sh"
fi
