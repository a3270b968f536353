#!/usr/bin/env bash
# Measures the compare command's precision, in microseconds.
#  1. Against a loopback server whose clock is known to be 1.234 s ahead:
#     median and worst error of the measured offset, and the delay.
#  2. Side by side with `chronyd -Q`, against one real NTP server on
#     loopback (chronyd -x: query-only, serving this machine's own clock,
#     so the true offset is 0): median and worst |offset| of each, run in
#     turn, each a fresh process as a user starts them. chronyd -Q is run
#     twice: from one exchange, as the compare measures, and from its
#     usual four, of which it keeps the best. Needs chronyd
#     (scripts/fetch-chronyd.sh unpacks it).
#  3. The helper vesk-sync, without any right, against the server 1.234 s
#     ahead, with its request held back 1.5 s just before it leaves
#     (strace delays the sendto call): the offset it reports, which the
#     stall must not change. Needs strace.
# Neither chronyd nor the helper touches the clock.
#   scripts/measure-compare.sh [RUNS] [BUILD_DIR] [SIDE_BY_SIDE_RUNS]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-200}
build=${2:-$top/build}
side_runs=${3:-30}
ninja -C "$build" -j2 vesk-compare vesk-sync fake-sntp-server >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

report() {   # label: median and worst of a list of microseconds
    sort -n | awk -v label="$1" '{v[NR]=$1} END {
        if (NR == 0) { print label ": no samples"; exit }
        m = (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2
        printf "%s: median %.1f us, worst %.1f us (%d runs)\n", label, m, v[NR], NR }'
}
# The offset in ms, then the delay in ms, from one run of the compare.
compare() {
    "$build/time/vesk-compare" "$1" | sed -n 's/.*오프셋 \([-+0-9.]*\) ms, 지연 \([0-9.]*\) ms.*/\1 \2/p'
}

# 1. The scripted server, 1.234 s ahead.
offset=1.234
"$build/tests/time/fake-sntp-server" "$offset" 600 >"$work/fake" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/fake" ] && break; sleep 0.1; done
fake="127.0.0.1:$(head -n1 "$work/fake")"
for _ in $(seq "$runs"); do compare "$fake"; done >"$work/samples"
echo "vesk-compare against a server $offset s ahead:"
awk -v o="$offset" '{e = $1 * 1000 - o * 1e6; print (e < 0 ? -e : e)}' "$work/samples" | report "  offset error"
awk '{print $2 * 1000}' "$work/samples" | report "  delay"

# 3. The helper with a stalled send. As root it would hold every right:
# it runs without any, so it takes the server and cannot set the clock.
if command -v strace >/dev/null; then
    unprivileged=()
    [ "$(id -u)" -eq 0 ] && unprivileged=(setpriv --bounding-set=-all --inh-caps=-all)
    for _ in 1 2 3 4 5; do
        strace -qq -o /dev/null -e trace=none -e inject=sendto:delay_enter=1500000 \
            "${unprivileged[@]}" "$build/app/vesk-sync" "$fake" |
            sed -n 's/^result server=1 offset=\([-+0-9.]*\) .*/\1/p' || true   # it exits 3: not set
    done >"$work/stalled"
    echo "vesk-sync against the same server, its request held 1.5 s before the send:"
    awk -v o="$offset" '{e = ($1 - o) * 1e6; print (e < 0 ? -e : e)}' "$work/stalled" | report "  offset error"
else
    echo "no strace: the stalled helper is not measured"
fi

# 2. Side by side against chronyd on loopback.
chronyd=""
for c in "$top/.tools/chrony/usr/sbin/chronyd" /usr/sbin/chronyd; do
    [ -x "$c" ] && { chronyd=$c; break; }
done
if [ -z "$chronyd" ]; then
    echo "no chronyd: scripts/fetch-chronyd.sh unpacks it"
    exit 0
fi
user=(-U)
[ "$(id -u)" -eq 0 ] && user=(-u root)   # unpacked, it has no user of its own
server=""
for _ in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 40000))
    cat >"$work/chrony.conf" <<CONF
port $port
bindaddress 127.0.0.1
allow 127.0.0.1
local stratum 8
cmdport 0
bindcmdaddress /
pidfile $work/chronyd.pid
CONF
    "$chronyd" -x -d "${user[@]}" -f "$work/chrony.conf" 2>"$work/chronyd.log" &
    pid=$!
    # It answers once it has bound its port and taken its own clock.
    for _ in $(seq 50); do
        [ -n "$(compare "127.0.0.1:$port" 2>/dev/null)" ] && { server=127.0.0.1:$port; break; }
        kill -0 $pid 2>/dev/null || break
        sleep 0.2
    done
    if [ -n "$server" ]; then
        pids+=($pid)
        break
    fi
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
done
[ -n "$server" ] || { echo "chronyd did not start:"; cat "$work/chronyd.log"; exit 1; }

: >"$work/ours"
: >"$work/theirs1"
: >"$work/theirs4"
chrony_q() {   # samples: chronyd -Q's |offset| in microseconds
    "$chronyd" -Q "${user[@]}" -t 20 -f /dev/null "server 127.0.0.1 port ${server#*:} iburst maxsamples $1" 2>&1 |
        sed -n 's/.*System clock wrong by \([-0-9.]*\) seconds.*/\1/p' |
        awk '{e = $1 * 1e6; print (e < 0 ? -e : e)}'
}
for _ in $(seq "$side_runs"); do
    compare "$server" | awk '{e = $1 * 1000; print (e < 0 ? -e : e)}' >>"$work/ours"
    chrony_q 1 >>"$work/theirs1"
    chrony_q 4 >>"$work/theirs4"
done
echo "against chronyd -x on loopback (the same clock: the true offset is 0), |offset|:"
report "  vesk-compare              " <"$work/ours"
report "  chronyd -Q, one exchange  " <"$work/theirs1"
report "  chronyd -Q, best of four  " <"$work/theirs4"
