#!/usr/bin/env bash
# Measures the automatic serial transmission with a one-second period on a
# pseudo-terminal: where in the second each message's first byte arrives,
# whether it names that second, and the processor time per transmission;
# then the same with waits that spin on the clock instead of sleeping.
#   scripts/measure-serial.sh [COUNT] [COMPENSATION_MS] [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
count=${1:-60}
compensate=${2:-500}
build=${3:-$top/build}
ninja -C "$build" -j2 vesk-transmit-bench >/dev/null
bench=$build/serial/vesk-transmit-bench
"$bench" "$count" "$compensate"
"$bench" "$(( count < 10 ? count : 10 ))" "$compensate" --spin
