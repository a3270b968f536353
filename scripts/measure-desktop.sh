#!/usr/bin/env bash
# Measures the running program on a throwaway X desktop: time from start to
# the main window shown, then resident memory, CPU use and wakeups over a
# span with the main window, the slim clock and five world clocks open and
# ticking, side by side with GNOME Clocks showing five cities and
# `xclock -update 1` on the same desktop over the same span.
#   scripts/measure-desktop.sh [SECONDS] [BUILD_DIR] [RUNS]
# GNOME Clocks and xclock are installed here when missing (setup.sh
# --measure), never by the tests or CI; with VESK_MEASURE_NO_INSTALL=1
# nothing is installed and what is missing is left out. GNOME Clocks draws
# with GTK's cairo renderer, its cheapest on a desktop without GL, keeps its
# settings in a temporary key file and runs on a session bus of its own.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
span=${1:-30}
build=${2:-$top/build}
runs=${3:-5}
ninja -C "$build" -j2 Vesk vesk-test-launcher >/dev/null || exit 1

[ -n "${VESK_MEASURE_NO_INSTALL:-}" ] || "$top/scripts/setup.sh" --measure >/dev/null || exit 1

# Everything measured runs with loopback as its only network: GNOME Clocks
# would otherwise fetch the weather of its cities.
if [ -z "${VESK_MEASURE_OFFLINE:-}" ]; then
    unshare -n true 2>/dev/null || { echo "needs a network namespace (unshare -n)"; exit 1; }
    exec env VESK_MEASURE_OFFLINE=1 unshare -n bash -c 'ip link set lo up && exec "$@"' \
        bash "$0" "$span" "$build" "$runs"
fi

. "$top/tests/desktop/desktop.sh"
desktop_start "$build/app" "$build/tests/shell/vesk-test-launcher"
others=()
# Only what it started itself is waited for: a bare wait would also wait for
# the desktop, which desktop_stop ends.
# GNOME Clocks goes first, so that its session ends its own bus.
trap 'stop_others; desktop_stop; rm -rf "$WORK"' EXIT
stop_others() {
    if [ -n "${clocks:-}" ]; then
        kill "$clocks" 2>/dev/null
        for _ in $(seq 50); do kill -0 "$clocks" 2>/dev/null || break; sleep 0.1; done
    fi
    [ ${#others[@]} -eq 0 ] && return
    kill "${others[@]}" 2>/dev/null
    wait "${others[@]}" 2>/dev/null
}
# The program over a loopback time server that does not answer: the
# compare at start fails fast.
run() { desktop_run_program vesk-test-launcher 127.0.0.1:9; }

ms_now() { date +%s%3N; }
starts=()
for r in $(seq "$runs"); do
    rm -rf "$XDG_CONFIG_HOME/Vesk Client V3.3"
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

# GNOME Clocks with five cities, on a session bus and settings of its own.
clocks=""
if command -v gnome-clocks >/dev/null && command -v dbus-run-session >/dev/null; then
    mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
    city() {   # city NAME ICAO LAT LON (radians): one GWeather location
        printf "{'location': <(uint32 2, <('%s', '%s', true, [(%s, %s)], [(%s, %s)])>)>}" "$1" "$2" "$3" "$4" "$3" "$4"
    }
    {
        printf '[org/gnome/clocks]\ngeolocation=false\nworld-clocks=['
        city London EGWU 0.8997 -0.0073; printf ', '
        city 'New York' KNYC 0.7118 -1.2910; printf ', '
        city Sydney YSSY -0.5925 2.6386; printf ', '
        city Paris LFPB 0.8546 0.0428; printf ', '
        city Tokyo RJTI 0.6219 2.4408
        printf ']\n'
    } >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile"
    GSETTINGS_BACKEND=keyfile GDK_BACKEND=x11 GTK_A11Y=none \
        dbus-run-session -- gnome-clocks >"$WORK/gnome-clocks.log" 2>&1 &
    others+=($!)
    for _ in $(seq 200); do
        clocks=$(pgrep -x gnome-clocks -P "${others[-1]}" | head -n1)
        [ -n "$clocks" ] && xdotool search --onlyvisible --pid "$clocks" >/dev/null 2>&1 && break
        sleep 0.05
    done
    [ -n "$clocks" ] || echo "GNOME Clocks did not start here (see $WORK/gnome-clocks.log)"
fi
xclockpid=""
if command -v xclock >/dev/null; then
    xclock -update 1 -geometry 120x120+1100+40 &
    xclockpid=$!
    others+=($xclockpid)
fi
sleep 3   # all of them settled

# Processor time of each thread in ns (the scheduler's own count, finer
# than the 10 ms ticks of /proc/PID/stat) and wakeups as context switches:
# "TID NS SWITCHES" a line. Over the span, only the threads alive at its
# end are summed: one that ended meanwhile takes its counts with it, and
# they must not be taken off the rest.
per_thread() {
    local t
    for t in /proc/"$1"/task/*; do
        printf '%s %s %s\n' "${t##*/}" "$(awk '{print $1}' "$t/schedstat" 2>/dev/null)" \
            "$(awk '/ctxt_switches/ {s += $2} END {print s}' "$t/status" 2>/dev/null)"
    done
}
span_sum() {   # span_sum BEFORE AFTER COLUMN
    awk -v col="$3" 'NR == FNR { v[$1] = $col; next } { s += $col - ($1 in v ? v[$1] : 0) } END { printf "%d", s }' "$1" "$2"
}
wakes_main() { awk '/ctxt_switches/ {s += $2} END {print s}' "/proc/$1/status"; }
names=("Vesk (7 clocks)") pids=("$pid")
[ -n "$clocks" ] && { names+=("GNOME Clocks (5 cities)"); pids+=("$clocks"); }
[ -n "$xclockpid" ] && { names+=("xclock -update 1"); pids+=("$xclockpid"); }
# Vesk's threads one by one: id, name, processor ticks, context switches.
threads() {
    local t
    for t in /proc/"$pid"/task/*; do
        printf '%s %s %s %s\n' "${t##*/}" "$(tr ' ' _ <"$t/comm")" \
            "$(awk '{print $1}' "$t/schedstat")" "$(awk '/ctxt_switches/ {s += $2} END {print s}' "$t/status")"
    done | sort
}
declare -a m0
for i in "${!pids[@]}"; do
    per_thread "${pids[i]}" >"$WORK/per_thread0.$i"; m0[i]=$(wakes_main "${pids[i]}")
done
threads >"$WORK/threads0"
t0=$(ms_now)
sleep "$span"
t1=$(ms_now)
threads >"$WORK/threads1"
echo "over $(( (t1 - t0) / 1000 )) s, side by side:"
printf '  %-24s %9s %14s %14s %10s\n' "" "CPU" "wakeups/s" "main thread" "resident"
for i in "${!pids[@]}"; do
    p=${pids[i]}
    per_thread "$p" >"$WORK/per_thread1.$i"
    awk -v name="${names[i]}" -v c="$(span_sum "$WORK/per_thread0.$i" "$WORK/per_thread1.$i" 2)" -v ms=$((t1 - t0)) \
        -v wa="$(span_sum "$WORK/per_thread0.$i" "$WORK/per_thread1.$i" 3)" -v wm=$(( $(wakes_main "$p") - m0[i] )) \
        -v rss="$(awk '/^VmRSS/ {print $2}' "/proc/$p/status")" 'BEGIN {
        s = ms / 1000
        printf "  %-24s %7.3f %% %14.1f %14.1f %7.1f MB\n", name, 100 * (c / 1e9) / s, wa / s, wm / s, rss / 1024 }'
done
echo "  (CPU in % of one core; wakeups are context switches per second)"
echo "Vesk's threads over the span:"
join "$WORK/threads0" "$WORK/threads1" | awk -v ms=$((t1 - t0)) '{
    s = ms / 1000
    printf "  %-18s %7.3f %% %10.1f wakeups/s\n", $2, 100 * (($6 - $3) / 1e9) / s, ($7 - $4) / s }'
kill "$pid"; wait "$pid" 2>/dev/null
