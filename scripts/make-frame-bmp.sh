#!/usr/bin/env bash
# Writes the alarm popup's frame picture: 170 x 120 pixels, 24-bit BMP. The
# popup shows its left 160 columns; there a two-pixel border, navy outside
# and sky blue inside, with a small gold mark in each corner. Magenta
# (#FF00FF) everywhere else is see-through, so the popup's own painting
# shows inside the frame. Pure bash, so it needs nothing to run.
# Usage: scripts/make-frame-bmp.sh [output]   (default resources/frame.bmp)
set -euo pipefail
out=${1:-"$(cd "$(dirname "$0")/.." && pwd)/resources/frame.bmp"}

width=170 height=120 shown=160
row_bytes=$(((width * 3 + 3) / 4 * 4))   # rows are padded to 4 bytes

le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }
le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
             $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }

# Pixels are stored blue, green, red.
key='\xff\x00\xff' navy='\x78\x3c\x1e' sky='\xe8\xb4\x8f' gold='\x30\xb0\xe8'

# The colour at column x of row y (y = 0 at the top).
pixel() {
    local x=$1 y=$2 right=$((shown - 1)) bottom=$((height - 1))
    if ((x > right)); then echo "$key"; return; fi
    if ((x == 0 || y == 0 || x == right || y == bottom)); then echo "$navy"; return; fi
    if ((x == 1 || y == 1 || x == right - 1 || y == bottom - 1)); then echo "$sky"; return; fi
    local cx=$((x < shown / 2 ? x : right - x)) cy=$((y < height / 2 ? y : bottom - y))
    if ((cx >= 3 && cx <= 5 && cy >= 3 && cy <= 5)); then echo "$gold"; return; fi
    echo "$key"
}

row() {   # the bytes of row y, padding included
    local y=$1 x bytes=''
    for ((x = 0; x < width; x++)); do bytes+=$(pixel $x $y); done
    for ((x = width * 3; x < row_bytes; x++)); do bytes+='\x00'; done
    printf '%s' "$bytes"
}

image=$((row_bytes * height))
{
    printf 'BM'; printf "$(le32 $((54 + image)))"; printf "$(le32 0)"; printf "$(le32 54)"
    printf "$(le32 40)$(le32 $width)$(le32 $height)$(le16 1)$(le16 24)"
    printf "$(le32 0)$(le32 $image)$(le32 2835)$(le32 2835)$(le32 0)$(le32 0)"
    # Bottom row first; rows that look alike are made once.
    declare -A made=()
    for ((y = height - 1; y >= 0; y--)); do
        kind=$y
        if ((y > 5 && y < height - 6)); then kind=middle; fi
        [ -n "${made[$kind]+x}" ] || made[$kind]=$(row $y)
        printf "${made[$kind]}"
    done
} > "$out"
