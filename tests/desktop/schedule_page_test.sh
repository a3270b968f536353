#!/usr/bin/env bash
# The year's schedule page in a real browser: Chromium, headless, reads a
# page the program writes (byte for byte the same as the pages the unit
# tests compare it with) by its declared charset, so the Korean comes out
# whole, Sundays red and Saturdays blue, and a memo's markup as text. The
# browser runs without a network where it can (a namespace with no
# interfaces up). The screenshot goes to ARTIFACTS. Skipped without chromium.
#   schedule_page_test.sh PAGES_DIR ARTIFACTS
set -u
pages=$1 artifacts=$2
. "$(dirname "$0")/checks.sh"
require chromium
mkdir -p "$artifacts"
work=$(mktemp -d /tmp/vesk-page.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$HOME"

offline=()
unshare -n true 2>/dev/null && offline=(unshare -n)
browse() {   # browse OPTIONS...: the page through headless Chromium
    timeout 60 "${offline[@]}" chromium --headless --no-sandbox --disable-gpu \
        --disable-background-networking --no-first-run --user-data-dir="$work/profile" \
        --hide-scrollbars "$@" "file://$work/모든일정.htm" 2>>"$work/chromium.log"
}

cp "$pages/may-2002.htm" "$work/모든일정.htm"
dom=$(browse --dump-dom)
check "the Korean is read by the declared charset" grep -qF '[ 2002년  5월 20일 일정 ]' <<<"$dom"
check "a Sunday is red" grep -qF '<font color="red">[2002년05월05일][07시00분]</font> 어린이날' <<<"$dom"
check "a weekly Saturday is blue" grep -qF '<font color="blue">[매주-토요일][18시30분]</font> 주말 등산' <<<"$dom"
check "a memo's markup stays text" grep -qF '&lt;b&gt;조회&lt;/b&gt; &amp; "출석"' <<<"$dom"
check "and opens no element" test "$(grep -c '<b>' <<<"$dom")" = 0
browse --window-size=520,520 --screenshot="$artifacts/schedule-page.png" >/dev/null
check "the page is drawn" test -s "$artifacts/schedule-page.png"

echo "$fails failed"
[ $fails -eq 0 ]
