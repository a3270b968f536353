#!/usr/bin/env bash
# The real program on a throwaway X desktop: it starts, docks its tray
# icon, shows the main window, compares against a loopback SNTP server,
# opens the settings sheet, and at close ends and writes its settings.
# The shipped program takes no servers from the environment.
# Screenshots go to ARTIFACTS for a person to look at.
#   program_test.sh APP_DIR LAUNCHER FAKE_SNTP_SERVER ARTIFACTS
set -u
app=$1 launcher=$2 fake=$3 artifacts=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/checks.sh"
require Xvfb jwm xdotool xprop xwininfo import setpriv
. "$here/desktop.sh"
mkdir -p "$artifacts"

desktop_start "$app" "$launcher"
trap 'desktop_stop; [ -n "${server:-}" ] && { kill $server; wait $server; } 2>/dev/null; rm -rf "$WORK"' EXIT

"$fake" 1.234 120 >"$WORK/port" &
server=$!
for _ in $(seq 50); do [ -s "$WORK/port" ] && break; sleep 0.05; done

desktop_run_program vesk-test-launcher "127.0.0.1:$(head -n1 "$WORK/port")" &
program=$!
main=$(desktop_wait_window Vesk3 10)
check "the main window is shown" test -n "$main"
[ -n "$main" ] || exit 1
sleep 1   # the compare at start, and a few clock ticks

# The tray icon docks in the panel: a small window inside jwm's tray.
tray_icons=$(xwininfo -root -tree | grep -c -E '"Vesk"|"vesk"|"Qt System Tray"' || true)
check "the tray icon is docked" test "$tray_icons" -ge 1
import -window "$main" "$artifacts/main-window.png"
check "main window screenshot" test -s "$artifacts/main-window.png"

# "동기" runs the helper beside the program; it asks the server and, with
# no right here, leaves the clock as it is ("동기에 실패했습니다.").
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" $((WIDTH * 3 / 4)) $((HEIGHT / 2)) click 1
for _ in $(seq 60); do [ "$(grep -c '^request' "$WORK/port")" -ge 2 ] && break; sleep 0.05; done
check "the synchronise asks the server through the helper" test "$(grep -c '^request' "$WORK/port")" -eq 2
sleep 0.5
import -window "$main" "$artifacts/main-window-sync.png"

# The tray icon's menu, by a right click at the panel's right end.
eval "$(xdotool getdisplaygeometry --shell)"
xdotool mousemove $((WIDTH - 14)) $((HEIGHT - 14)) click 3
sleep 0.6
import -window root "$artifacts/tray-menu.png"
xdotool key Escape
sleep 0.3

# The settings sheet from the second button of the top row.
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" $((WIDTH * 3 / 8)) 12 click 1
sheet=$(desktop_wait_window "설정" 5)
check "the settings sheet opens" test -n "$sheet"
if [ -n "$sheet" ]; then
    sleep 0.3
    import -window "$sheet" "$artifacts/settings-info.png"
    xdotool key ctrl+Tab
    sleep 0.3
    import -window "$sheet" "$artifacts/settings-env.png"
    # The serial page is the last tab: back past the first one.
    xdotool key ctrl+shift+Tab ctrl+shift+Tab
    sleep 0.3
    import -window "$sheet" "$artifacts/settings-serial.png"
    xdotool key Escape   # Cancel: the settings still apply
    sleep 0.5
fi
check "the main window is back after the sheet" test -n "$(desktop_wait_window Vesk3 3)"

# The world time dialog from the first button; the keyboard picks "UTC".
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" $((WIDTH / 8)) 12 click 1
world=$(desktop_wait_window "세계시각" 5)
check "the world time dialog opens" test -n "$world"
if [ -n "$world" ]; then
    xdotool key Down Down
    sleep 1.2   # past the three blinks of a new selection
    import -window "$world" "$artifacts/world-time.png"
fi

# Closing the main window ends the program and writes the settings.
check "closing the main window ends the program" desktop_close "$main" $program
kill $program 2>/dev/null
wait $program 2>/dev/null
conf="$XDG_CONFIG_HOME/Vesk Client V3.3/Vesk.conf"
check "the settings file is written" grep -q '^INITWIN=1' "$conf"
check "the last compare is kept" grep -q '^ServerID=1' "$conf"
check "no synchronisation is recorded" grep -q '^LastCon=0' "$conf"

# The shipped program in a network namespace of its own, where only
# loopback exists: the system's servers are out of reach, and a server
# named in the environment the way tests once named theirs gets nothing.
if unshare -n true 2>/dev/null && command -v ip >/dev/null; then
    rm -f "$conf"
    INSTALL=$INSTALL unshare -n bash -c '
        ip link set lo up
        "$1" 0 60 >"$2" &
        for _ in $(seq 50); do [ -s "$2" ] && break; sleep 0.05; done
        export VESK_TEST_TIME_SERVERS="127.0.0.1:$(head -n1 "$2")"
        . "$3/desktop.sh"
        desktop_run_program Vesk &
        program=$!
        main=$(desktop_wait_window Vesk3 10)
        sleep 2   # the compare at start: neither system server answers
        desktop_close "$main" $program
        kill $program $(jobs -p) 2>/dev/null
        wait
    ' _ "$fake" "$WORK/env-server" "$here"
    check "the shipped program asked the system's servers" grep -q '^ServerID=3' "$conf"
    check "and none named in the environment" test "$(grep -c '^request' "$WORK/env-server")" -eq 0
else
    echo "skip - no network namespace here for the shipped program's servers"
fi

echo "$fails failed"
[ $fails -eq 0 ]
