#!/usr/bin/env bash
# Builds the Debian package of the program into BUILD/package/ and prints
# its path. Install it with: sudo apt-get install ./build/package/vesk_*.deb
#   VESK_BUILD_DIR  build folder (default build); an existing one keeps
#                   its options, a new one is made without the tests
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh --package

build=${VESK_BUILD_DIR:-build}
if grep -q '^VESK_SANITIZE:STRING=.' "$build/CMakeCache.txt" 2>/dev/null; then
    echo "package.sh: $build is built with sanitizers; choose another VESK_BUILD_DIR" >&2
    exit 1
fi
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" >/dev/null
else
    cmake -S . -B "$build" -G Ninja -DVESK_TESTS=OFF >/dev/null
fi
ninja -C "$build" -j2
rm -rf "$build/package"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/package/*.deb
