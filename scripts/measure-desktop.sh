#!/usr/bin/env bash
# Measures the running program on a throwaway X desktop: time from start to
# the main window shown, resident memory, and CPU use over a span with the
# clock ticking.
#   scripts/measure-desktop.sh [SECONDS] [BUILD_DIR] [RUNS]
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
span=${1:-30}
build=${2:-$top/build}
runs=${3:-5}
ninja -C "$build" -j2 Vesk fake-sntp-server >/dev/null || exit 1
. "$top/tests/desktop/desktop.sh"
desktop_start "$build/app"
trap 'desktop_stop; rm -rf "$WORK"' EXIT
# No time server answers here: the compare at start fails fast on loopback.
export VESK_TEST_TIME_SERVERS="127.0.0.1:9"
hz=$(getconf CLK_TCK)

ms_now() { date +%s%3N; }
starts=()
for r in $(seq "$runs"); do
    rm -rf "$XDG_CONFIG_HOME"
    t0=$(ms_now)
    desktop_run_program &
    pid=$!
    desktop_wait_window Vesk3 10 >/dev/null
    starts+=($(( $(ms_now) - t0 )))
    if [ "$r" -lt "$runs" ]; then
        kill "$pid"; wait "$pid" 2>/dev/null
        # Its window goes with its connection; the next run must not find it.
        for _ in $(seq 200); do
            xdotool search --onlyvisible --name '^Vesk3$' >/dev/null 2>&1 || break
            sleep 0.02
        done
    fi
done
echo "start to main window shown: ${starts[*]} ms ($runs runs)"

sleep 2
cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
c0=$(cpu); t0=$(ms_now)
sleep "$span"
c1=$(cpu); t1=$(ms_now)
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
awk -v c=$((c1 - c0)) -v hz="$hz" -v ms=$((t1 - t0)) -v rss="$rss" 'BEGIN {
    printf "resident memory: %.1f MB\n", rss / 1024
    printf "CPU over %.1f s: %.2f %% of one core\n", ms / 1000, 100 * (c / hz) / (ms / 1000) }'
kill "$pid"; wait "$pid" 2>/dev/null
