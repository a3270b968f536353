#!/usr/bin/env bash
# The schedule alarm of the real program on a throwaway X desktop. With the
# panel at the bottom, an entry coming due slides the alarm popup up above
# the panel at the right; alarms due a moment later stack above it, saying
# how many do not fit; a click writes the alarm page and opens it; the book
# is saved with the entries done. With the panel at the top and no tray,
# the alarm arrives as a desktop notification (dunst on a session bus of
# the test's own) and, once no notification service answers, as the popup
# at the bottom right of the work area. The schedule manager, typed into as
# a user would, adds a daily entry for the next minute: the book is saved
# at once, the year's page lists it, and it rings. Screenshots go to
# ARTIFACTS.
#   alarm_test.sh APP_DIR LAUNCHER ARTIFACTS
set -u
app=$1 launcher=$2 artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/checks.sh"
require Xvfb jwm xdotool xprop xwininfo import iconv setpriv dbus-daemon dbus-send dunst
. "$here/desktop.sh"
mkdir -p "$artifacts"
# No alarm of the program under test reaches the session of whoever runs
# the test; the notification part brings a bus of its own.
no_bus=unix:path=/nonexistent/vesk-test-bus
export DBUS_SESSION_BUS_ADDRESS=$no_bus

le32() { printf '\\x%02x\\x%02x\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)) \
             $((($1 >> 16) & 255)) $((($1 >> 24) & 255)); }

memo="회의 준비: 3층 대회의실에서 팀 전체 회의"

# One record due at $1 (seconds since 1970) with memo $2, last checked a
# second before now, only its on-time switch on.
record() {
    local due=$1 text=$2 now cp949 len
    now=$(date +%s)
    cp949=$(printf '%s' "$text" | iconv -f UTF-8 -t CP949 | od -An -v -tx1 | tr -d ' \n' | sed 's/../\\x&/g')
    len=$(printf '%s' "$text" | iconv -f UTF-8 -t CP949 | wc -c)
    printf "$(le32 "$due")$(le32 $((now - 1)))$(le32 "$now")"
    printf "\\x$(printf %02x "$len")"
    printf "$cp949"
    printf "$(le32 0)"                                     # one day
    printf "$(le32 1)"; for _ in 1 2 3 4 5 6 7; do printf "$(le32 0)"; done
    printf "$(le32 0)"                                     # not done
}

# The live schedule file: DUE MEMO [DUE MEMO ...].
write_schedule() {
    : >"$INSTALL/forward_v3_3.sch"
    while [ $# -ge 2 ]; do
        record "$1" "$2" >>"$INSTALL/forward_v3_3.sch"
        shift 2
    done
}

write_conf() {
    local dir="$XDG_CONFIG_HOME/Vesk Client V3.3"
    mkdir -p "$dir"
    printf '[Vesk]\nAutoCompare=0\nAutoCon=0\nINITWIN=0\n' >"$dir/Vesk.conf"
}

# The browser: a stand-in that notes what it was asked to open.
fake_browser() {
    mkdir -p "$WORK/bin"
    cat >"$WORK/bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$1" >>"$WORK/opened"
EOF
    chmod +x "$WORK/bin/xdg-open"
    export PATH="$WORK/bin:$PATH"
}

# Ends the program as the tray menu's "종료" does; false when it would not.
exit_program() {
    local pid=$1 tray_y=$2 try before
    eval "$(xdotool getdisplaygeometry --shell)"
    for try in 1 2 3; do
        before=$(xdotool search --onlyvisible --class Vesk 2>/dev/null | wc -l)
        xdotool mousemove $((WIDTH - 14)) "$tray_y" click 3
        for _ in $(seq 40); do
            [ "$(xdotool search --onlyvisible --class Vesk 2>/dev/null | wc -l)" -gt "$before" ] && break
            sleep 0.05
        done
        sleep 0.2
        xdotool key Up Return   # Up from no item selects the last: "종료"
        for _ in $(seq 60); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.05; done
        xdotool key Escape
    done
    kill "$pid" 2>/dev/null
    return 1
}

popup_geometry() {   # "X Y W H" of each visible alarm popup, lowest first, or nothing
    local id
    for id in $(xdotool search --onlyvisible --name '^일정 알림$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$id")"
        echo "$X $Y $WIDTH $HEIGHT"
    done | sort -k2,2nr | grep .
}

# --- The panel at the bottom: the popup. ---
desktop_start "$app" "$launcher"
trap 'desktop_stop; rm -rf "$WORK"' EXIT
fake_browser
write_conf
due=$(($(date +%s) + 4))
# Eight alarms three seconds later: more than one popup can show.
write_schedule $due "$memo" $((due + 3)) "회의 1" $((due + 3)) "회의 2" $((due + 3)) "회의 3" \
    $((due + 3)) "회의 4" $((due + 3)) "회의 5" $((due + 3)) "회의 6" $((due + 3)) "회의 7" \
    $((due + 3)) "회의 8"
desktop_run_program vesk-test-launcher 127.0.0.1:9 &   # no time server answers there
program=$!

# Rising: its top edge climbs while its bottom stays above the panel.
tops=() top="" last=""
end=$((SECONDS + 15))
while [ $SECONDS -le $end ]; do
    if g=$(popup_geometry); then
        g=${g%%$'\n'*}   # the lowest
        read -r x y w h <<<"$g"
        [ "$y" != "$top" ] && { top=$y; tops+=("$y"); }
        [ "$h" -ge 120 ] && { last=$g; break; }
    fi
    sleep 0.01
done
check "the popup came when the entry was due" test -n "$last"
check "it rose (tops seen: ${tops[*]:-none})" test "${#tops[@]}" -ge 2
check "it stands 5 px above the panel, 10 px in from the right: $last" \
    test "$last" = "1110 647 160 120"
sleep 0.3
import -window root -crop 260x200+1020+600 "$artifacts/alarm-popup.png"
import -window root "$artifacts/alarm-desktop.png"

# The eight alarms come above it, not over it.
stacked=""
for _ in $(seq 100); do
    stacked=$(popup_geometry | sed -n 2p)
    [ "${stacked##* }" = 120 ] && break   # risen whole
    sleep 0.05
done
check "the alarms due next stack 5 px above the first popup: ${stacked:-none}" \
    test "$stacked" = "1110 522 160 120"
sleep 0.3
import -window root -crop 260x330+1020+470 "$artifacts/alarm-popups-stacked.png"

xdotool mousemove 1190 700 click 1
for _ in $(seq 100); do [ -s "$WORK/opened" ] && break; sleep 0.05; done
page="$INSTALL/일정.htm"
check "a click wrote the alarm page" test -s "$page"
check "the page holds the alarm's HTML line, in CP949" \
    grep -q "^\[알림\]-\[지금:[0-9][0-9]:[0-9][0-9]:[0-9][0-9]\] $memo<br>\$" <(iconv -f CP949 -t UTF-8 "$page")
# Qt hands the handler the URL percent-encoded: 일정 is %EC%9D%BC%EC%A0%95.
check "the page was opened" grep -qx "file://$INSTALL/%EC%9D%BC%EC%A0%95.htm" "$WORK/opened"

check "the tray menu's exit ends the program" exit_program $program $((800 - 14))
wait $program 2>/dev/null
# The done mark: the last four bytes of the last record.
done_mark=$(tail -c 4 "$INSTALL/forward_v3_3.sch" | od -An -tu4 | tr -d ' ')
check "the book was saved with the entries done" test "$done_mark" = 1
check "the year was stamped" grep -q "^SCH_SAVE_STAMP=$(date +%Y)\$" "$XDG_CONFIG_HOME/Vesk Client V3.3/Vesk.conf"
desktop_stop
rm -rf "$WORK"

# --- The panel at the top and no tray: a notification, else the popup. ---
DESKTOP_PANEL=top DESKTOP_TRAY=none desktop_start "$app" "$launcher"
fake_browser
# A session bus of the test's own that starts nothing on demand, so a
# notification service is there exactly while dunst runs.
cat >"$WORK/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=$WORK/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*"/>
    <allow own="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
dbus-daemon --config-file="$WORK/bus.conf" --nofork >"$WORK/bus.log" 2>&1 &
desktop_pids+=($!)
export DBUS_SESSION_BUS_ADDRESS=unix:path=$WORK/bus
# dunst notes each of the program's notifications with when it came.
cat >"$WORK/noted" <<NOTED
#!/bin/sh
printf '%s|%s|%s|%s\n' "\$(date +%s.%N)" "\$DUNST_SUMMARY" "\$DUNST_BODY" "\$DUNST_DESKTOP_ENTRY" >>"$WORK/notes"
NOTED
chmod +x "$WORK/noted"
cat >"$WORK/dunstrc" <<DUNSTRC
[global]
    font = NanumGothic 11
    markup = full
    origin = top-right
    offset = 10x40
    width = 320
[vesk]
    appname = Vesk
    script = $WORK/noted
DUNSTRC
serves() {   # whether a notification service answers on the bus
    dbus-send --session --reply-timeout=1000 --print-reply --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
        org.freedesktop.Notifications.GetServerInformation >/dev/null 2>&1
}
for _ in $(seq 100); do [ -S "$WORK/bus" ] && break; sleep 0.05; done
dunst -config "$WORK/dunstrc" >"$WORK/dunst.log" 2>&1 &
dunst=$!
desktop_pids+=($dunst)
for _ in $(seq 100); do serves && break; sleep 0.05; done
check "dunst serves notifications on the test's bus" serves

write_conf
memo3="팀 회의 <준비> & 자료"
due=$(($(date +%s) + 4))
write_schedule $due "$memo3" $((due + 8)) "$memo"
desktop_run_program vesk-test-launcher 127.0.0.1:9 &   # no time server answers there
program=$!
main=$(desktop_wait_window Vesk3 10)
check "without a tray the main window shows" test -n "$main"
for _ in $(seq 200); do [ -s "$WORK/notes" ] && break; sleep 0.05; done
sleep 0.5
import -window root "$artifacts/alarm-notification.png"
IFS='|' read -r noted summary body entry <"$WORK/notes"
check "the alarm came as a notification within 2 s of its point (due $due, noted ${noted:-never})" \
    awk -v t="${noted:-0}" -v due=$due 'BEGIN { exit !(t >= due && t <= due + 2) }'
check "its summary is the alarm's label: $summary" test "$summary" = "[알림]"
# dunst reads markup, as GNOME's and KDE's services do: the memo's own
# "<", ">" and "&" come escaped.
check "its body is the memo, in markup: $body" test "$body" = "팀 회의 &lt;준비&gt; &amp; 자료"
check "it names the program's menu entry: $entry" test "$entry" = "org.vesk.Vesk"
check "no popup while notifications are shown" test -z "$(popup_geometry)"
# A click on it opens the alarm page, as a click on the popup does.
dunstctl action 0 >/dev/null 2>&1
for _ in $(seq 100); do [ -s "$WORK/opened" ] && break; sleep 0.05; done
check "clicked, the notification opened the alarm page" \
    grep -qx "file://$INSTALL/%EC%9D%BC%EC%A0%95.htm" "$WORK/opened"
check "the page holds the notified alarm's line" \
    grep -q "\] 팀 회의 &lt;준비&gt; &amp; 자료<br>\$" <(iconv -f CP949 -t UTF-8 "$INSTALL/일정.htm")

# No service any more: the next alarm comes as the popup, at the bottom
# right of the work area.
kill "$dunst"
for _ in $(seq 100); do serves || break; sleep 0.05; done
fallback=""
end=$((SECONDS + 15))
while [ $SECONDS -le $end ]; do
    fallback=$(popup_geometry | head -n1)
    [ "$fallback" = "1110 675 160 120" ] && break
    sleep 0.05
done
check "with no service the popup rose at the work area's bottom right: ${fallback:-none}" \
    test "$fallback" = "1110 675 160 120"
sleep 0.3
import -window root "$artifacts/alarm-top-panel.png"
check "closing the main window ends the program" desktop_close "$main" $program || kill $program
wait $program 2>/dev/null
export DBUS_SESSION_BUS_ADDRESS=$no_bus
desktop_stop
rm -rf "$WORK"

# --- The manager adds a daily entry for the next minute; it rings. ---
# Runs the tray menu's item N (counted from the top, separators skipped)
# until a window titled NAME shows; its id.
tray_command() {
    local n=$1 name=$2 try id
    for try in 1 2 3; do
        xdotool mousemove $((1280 - 14)) $((800 - 14)) click 3
        sleep 0.5
        xdotool key $(printf 'Down %.0s' $(seq "$n")) Return
        id=$(desktop_wait_window "$name" 3) && { echo "$id"; return 0; }
        xdotool key Escape
    done
    return 1
}

desktop_start "$app" "$launcher"
fake_browser
write_conf
desktop_run_program vesk-test-launcher 127.0.0.1:9 &   # no time server answers there
program=$!
sleep 1
manager=$(tray_command 5 "일정관리")
check "the tray menu's 일정관리 opens the manager" test -n "$manager"
# The next minute, with time to type it: past :48, the one after.
[ "$(date +%-S)" -gt 48 ] && sleep $((61 - $(date +%-S)))
due=$((($(date +%s) / 60 + 1) * 60))
hh=$(date -d "@$due" +%H) mm=$(date -d "@$due" +%M)
memo2="팀 회의 <준비> & 자료"
xdotool windowactivate --sync "$manager"
sleep 0.3
# The hour has the focus: type the item's start, then on through the editor
# to "매일" and past the eight lead switches (none: it rings on time) to "추가".
xdotool type --delay 60 "$hh"
xdotool key Tab
xdotool type --delay 60 "$mm"
xdotool key Tab
# Hangul is typed through a key the tool maps for each letter in turn: a
# slow program (a sanitizer build) must have read each mapping before the
# next one replaces it.
xdotool type --delay 200 "$memo2"
xdotool key Tab Right space Tab Tab Tab Tab Tab Tab Tab Tab Tab space
added=$(desktop_wait_window Vesk 3)
check "추가 answers with its message" test -n "$added"
sleep 0.3
import -window root "$artifacts/schedule-added.png"
xdotool key Return
for _ in $(seq 40); do xdotool search --onlyvisible --name '^Vesk$' >/dev/null 2>&1 || break; sleep 0.05; done
import -window "$manager" "$artifacts/schedule-manager.png"
for _ in $(seq 40); do [ -s "$INSTALL/forward_v3_3.sch" ] && break; sleep 0.05; done
check "the book is saved at once" grep -q "$(printf '%s' "$memo2" | iconv -f UTF-8 -t CP949)" "$INSTALL/forward_v3_3.sch"

# The tray menu's 일정보기: the year's page with the entry, its memo escaped.
for try in 1 2 3; do
    xdotool mousemove $((1280 - 14)) $((800 - 14)) click 3
    sleep 0.5
    xdotool key Down Down Down Down Down Down Return
    for _ in $(seq 40); do [ -s "$WORK/opened" ] && break 2; sleep 0.05; done
    xdotool key Escape
done
check "the year's page was opened" grep -qx "file://$INSTALL/%EB%AA%A8%EB%93%A0%EC%9D%BC%EC%A0%95.htm" "$WORK/opened"
check "the page lists the entry with its memo as text" grep -qF \
    "[매일][${hh}시${mm}분] 팀 회의 &lt;준비&gt; &amp; 자료<br>" <(iconv -f CP949 -t UTF-8 "$INSTALL/모든일정.htm")

rang=""
while [ "$(date +%s)" -le $((due + 15)) ]; do
    popup_geometry >/dev/null && { rang=$(date +%s); break; }
    sleep 0.1
done
check "the popup came on time (due $due, seen ${rang:-never})" test -n "$rang" -a "${rang:-0}" -le $((due + 2))
sleep 2
import -window root "$artifacts/schedule-alarm.png"
check "the tray menu's exit ends the program" exit_program $program $((800 - 14))
wait $program 2>/dev/null
records=$(($(stat -c %s "$INSTALL/forward_v3_3.sch") / (52 + 1 + $(printf '%s' "$memo2" | iconv -f UTF-8 -t CP949 | wc -c))))
check "the book keeps the entry and the record of its ring ($records)" test "$records" = 2

echo "$fails failed"
[ $fails -eq 0 ]
