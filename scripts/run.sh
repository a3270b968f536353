#!/usr/bin/env bash
# Builds the program and runs it from its installation directory,
# build/app, which holds the program and its data files.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh

cmake -S . -B build -G Ninja -DVESK_TESTS=OFF >/dev/null
ninja -C build -j2 Vesk vesk-sync vesk-compare
cd build/app
exec ./Vesk "$@"
