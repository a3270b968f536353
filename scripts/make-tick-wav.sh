#!/usr/bin/env bash
# Writes the clock's tick sound: a 15 ms click, a 2205 Hz burst decaying to
# silence, 22050 Hz 16-bit mono PCM. Pure bash, so it needs nothing to run.
# Usage: scripts/make-tick-wav.sh [output]   (default resources/tick.wav)
set -euo pipefail
out=${1:-"$(cd "$(dirname "$0")/.." && pwd)/resources/tick.wav"}

rate=22050
frames=331                      # 15 ms
# One period of 10 samples (2205 Hz), sine x 10000.
sine=(0 5878 9511 9511 5878 0 -5878 -9511 -9511 -5878)

le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
             $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }

data=$((frames * 2))
{
    printf 'RIFF'; printf "$(le32 $((36 + data)))"; printf 'WAVE'
    printf 'fmt '; printf "$(le32 16)"
    printf "$(le16 1)$(le16 1)$(le32 $rate)$(le32 $((rate * 2)))$(le16 2)$(le16 16)"
    printf 'data'; printf "$(le32 $data)"
    env=24000                   # peak amplitude, falls 3 % a sample
    bytes=''
    for ((n = 0; n < frames; n++)); do
        v=$((sine[n % 10] * env / 10000))
        bytes+=$(le16 $((v & 65535)))
        env=$((env * 97 / 100))
    done
    printf "$bytes"
} > "$out"
