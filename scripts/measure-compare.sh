#!/usr/bin/env bash
# Measures the compare command against a loopback server whose clock is
# known to be 1.234 s ahead: error of the measured offset and round-trip
# delay, median and worst, in microseconds. With chronyd available, also
# what `chronyd -Q` measures against the same server.
#   scripts/measure-compare.sh [RUNS] [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-200}
build=${2:-$top/build}
ninja -C "$build" -j2 vesk-compare fake-sntp-server >/dev/null

offset=1.234
out=$(mktemp)
trap 'rm -f "$out"; [ -n "${server:-}" ] && { kill "$server"; wait "$server"; } 2>/dev/null || true' EXIT
"$build/tests/time/fake-sntp-server" "$offset" 600 >"$out" &
server=$!
for _ in $(seq 50); do [ -s "$out" ] && break; sleep 0.1; done
port=$(head -n1 "$out")

samples=$(mktemp)
for _ in $(seq "$runs"); do
    "$build/time/vesk-compare" "127.0.0.1:$port" | sed -n 's/.*오프셋 \([-+0-9.]*\) ms, 지연 \([0-9.]*\) ms.*/\1 \2/p'
done >"$samples"

report() {   # column label: median and worst of a list of microseconds
    sort -n | awk -v label="$1" '{v[NR]=$1} END {
        if (NR == 0) { print label ": no samples"; exit }
        m = (NR % 2) ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2
        printf "%s: median %.1f us, worst %.1f us (%d runs)\n", label, m, v[NR], NR }'
}
echo "vesk-compare against a server $offset s ahead:"
awk -v o="$offset" '{e = $1 * 1000 - o * 1e6; print (e < 0 ? -e : e)}' "$samples" | report "  offset error"
awk '{print $2 * 1000}' "$samples" | report "  delay"
rm -f "$samples"

chronyd=""
for c in "$top/.tools/chrony/usr/sbin/chronyd" /usr/sbin/chronyd; do
    [ -x "$c" ] && { chronyd=$c; break; }
done
if [ -n "$chronyd" ]; then
    echo "chronyd -Q against the same server (query only, the clock is not set):"
    user=()
    [ "$(id -u)" -eq 0 ] && user=(-u root)
    for _ in 1 2 3; do
        "$chronyd" -Q "${user[@]}" -t 20 -f /dev/null "server 127.0.0.1 port $port iburst maxsamples 4" 2>&1 |
            sed -n 's/.*System clock wrong by \([-0-9.]*\) seconds.*/\1/p' |
            awk -v o="$offset" '{e = ($1 - o) * 1e6; printf "  measured %+.6f s, error %.1f us\n", $1, (e < 0 ? -e : e)}'
    done
fi
