#!/usr/bin/env bash
# Measures the automatic serial transmission with a one-second period on a
# pseudo-terminal: where in the second each message's first byte arrives,
# whether it names that second, and the processor time per transmission
# (on average, and the most one worker took); for each compensation given
# (by default 10, 340 and 670 ms, so the waits for the point differ), then
# once with waits that spin on the clock instead of sleeping.
#   scripts/measure-serial.sh [COUNT] [COMPENSATION_MS[,COMPENSATION_MS...]] [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-60}
compensations=${2:-10,340,670}
build=${3:-$top/build}
ninja -C "$build" -j2 vesk-transmit-bench >/dev/null
bench=$build/serial/vesk-transmit-bench
status=0
for compensate in ${compensations//,/ }; do
    "$bench" "$count" "$compensate" || status=1
done
"$bench" "$(( count < 10 ? count : 10 ))" "${compensations%%,*}" --spin || status=1
exit $status
