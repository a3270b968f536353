#!/usr/bin/env bash
# Loads a live schedule file far larger than the book holds (2 000 000
# records, 106 MB, by default) and prints the entries kept, the load time
# and the peak resident memory, then the same for a book of 10 000.
#   scripts/measure-schedule.sh [RECORDS] [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
records=${1:-2000000}
build=${2:-$top/build}
ninja -C "$build" -j2 schedule-load >/dev/null
work=$(mktemp -d /tmp/vesk-measure-schedule.XXXXXX)
trap 'rm -rf "$work"' EXIT
for n in "$records" 10000; do
    rm -f "$work"/*
    "$build/tests/schedule/schedule-load" "$work" "$n" >/dev/null
    echo "$n records, $(stat -c %s "$work/forward_v3_3.sch") bytes:"
    "$build/tests/schedule/schedule-load" "$work"
done
