#!/usr/bin/env bash
# Builds the program and runs it. For now the program is the command-line
# compare: it asks the primary and then the secondary time server how far
# this PC's clock is off (arguments: other servers, host[:port]).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
scripts/setup.sh

cmake -S . -B build -G Ninja -DVESK_TESTS=OFF >/dev/null
ninja -C build -j2 vesk-compare
exec build/time/vesk-compare "$@"
