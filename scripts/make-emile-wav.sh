#!/usr/bin/env bash
# Writes the built-in alarm sound: one stroke of a small bell, 2.5 s,
# 16000 Hz 16-bit mono PCM. Five partials in the ratios of a bell's hum,
# prime, minor third, fifth and nominal, each a sine made by integer
# rotation and fading at its own rate, the higher ones faster. Pure bash,
# so it needs nothing to run (about half a minute).
# Usage: scripts/make-emile-wav.sh [output]   (default resources/emile.wav)
set -euo pipefail
out=${1:-"$(cd "$(dirname "$0")/.." && pwd)/resources/emile.wav"}

rate=16000
frames=40000                    # 2.5 s
# Per partial: rotation step 2 sin(pi f / rate) x 16384, weight, and the
# envelope's factor per 16 samples x 65536 (exp(-16 / (tau x rate))).
#        330 Hz 660 Hz 792 Hz 990 Hz 1320 Hz
step=(   2120   4237   5081   6344   8431 )
weight=( 10     16     8      5      6    )
decay=(  65481  65463  65442  65405  65349 )   # tau 1.2 .. 0.35 s
x=(0 0 0 0 0); y=(16384 16384 16384 16384 16384); env=(65536 65536 65536 65536 65536)

le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
             $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }

data=$((frames * 2))
{
    printf 'RIFF'; printf "$(le32 $((36 + data)))"; printf 'WAVE'
    printf 'fmt '; printf "$(le32 16)"
    printf "$(le16 1)$(le16 1)$(le32 $rate)$(le32 $((rate * 2)))$(le16 2)$(le16 16)"
    printf 'data'; printf "$(le32 $data)"
    bytes=''
    for ((n = 0; n < frames; n++)); do
        s=0
        for p in 0 1 2 3 4; do
            x[p]=$((x[p] + ((step[p] * y[p]) >> 14)))
            y[p]=$((y[p] - ((step[p] * x[p]) >> 14)))
            s=$((s + ((x[p] * weight[p] * (env[p] >> 4)) >> 16)))
        done
        if ((n % 16 == 15)); then
            for p in 0 1 2 3 4; do env[p]=$(((env[p] * decay[p]) >> 16)); done
        fi
        # 5 ms in and 250 ms out, so the stroke starts and ends without a click.
        attack=$((n < 80 ? n : 80))
        release=$((frames - n < 4000 ? frames - n : 4000))
        v=$((s * attack / 80 * release / 4000 * 24000 / (45 * 16384 / 16)))
        bytes+=$(le16 $((v & 65535)))
        if ((n % 2000 == 1999)); then printf "$bytes"; bytes=''; fi
    done
    printf "$bytes"
} > "$out"
