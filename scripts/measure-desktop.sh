#!/usr/bin/env bash
# Measures the running program on a throwaway X desktop: time from start to
# the main window shown, then resident memory and CPU use over a span with
# the main window, the slim clock and five world clocks open and ticking.
#   scripts/measure-desktop.sh [SECONDS] [BUILD_DIR] [RUNS]
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
span=${1:-30}
build=${2:-$top/build}
runs=${3:-5}
ninja -C "$build" -j2 Vesk vesk-test-launcher >/dev/null || exit 1
. "$top/tests/desktop/desktop.sh"
desktop_start "$build/app" "$build/tests/shell/vesk-test-launcher"
trap 'desktop_stop; rm -rf "$WORK"' EXIT
# The program over a loopback time server that does not answer: the
# compare at start fails fast.
run() { desktop_run_program vesk-test-launcher 127.0.0.1:9; }
hz=$(getconf CLK_TCK)

ms_now() { date +%s%3N; }
starts=()
for r in $(seq "$runs"); do
    rm -rf "$XDG_CONFIG_HOME"
    t0=$(ms_now)
    run &
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
kill "$pid"; wait "$pid" 2>/dev/null

# The slim clock and five world clocks saved; the tray click brings the main
# window up beside them.
conf_dir="$XDG_CONFIG_HOME/Vesk Client V3.3"
mkdir -p "$conf_dir"
{
    printf '[Vesk]\nAutoCompare=0\nINITWIN=2\nKORSLIM_X=40\nKORSLIM_Y=400\n'
    for i in 0 1 2 3 4; do
        printf 'WORLDDLG%d_AREACODE=%d\nWORLDDLG%d_AREANAME=clock%d\nWORLDDLG%d_nX=600\nWORLDDLG%d_nY=%d\n' \
            $i $((45 + 20 * i)) $i $i $i $i $((40 + 60 * i))
    done
} >"$conf_dir/Vesk.conf"
run &
pid=$!
for _ in $(seq 200); do
    [ "$(xdotool search --onlyvisible --class Vesk 2>/dev/null | wc -l)" -ge 6 ] && break
    sleep 0.05
done
eval "$(xdotool getdisplaygeometry --shell)"
xdotool mousemove $((WIDTH - 14)) $((HEIGHT - 14)) click 1
desktop_wait_window Vesk3 10 >/dev/null
echo "windows open: $(xdotool search --onlyvisible --class Vesk 2>/dev/null | wc -l) (main window, slim clock, 5 world clocks)"

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
