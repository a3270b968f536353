#!/usr/bin/env bash
# The program as a new user meets it on a throwaway X desktop: the first
# run centres the main window and gives it the focus; the settings sheet
# leaves the desktop's screen saver alone and its colour chooser speaks
# Korean; a window dragged elsewhere comes back to the pixel after three
# restarts; kill -TERM saves as the exit does; and on a desktop without a
# notification area the main window shows and hiding only minimises it.
# Screenshots go to ARTIFACTS.
#   session_test.sh APP_DIR LAUNCHER ARTIFACTS
set -u
app=$1 launcher=$2 artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/checks.sh"
require Xvfb jwm xdotool xprop xwininfo xset import setpriv
. "$here/desktop.sh"
mkdir -p "$artifacts"

# The client area's top-left corner of a window, "X,Y".
corner() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF}
                             END {print x "," y}'
}

program=""
start() {   # start: the program with no time server answering, its main window in $main
    desktop_run_program vesk-test-launcher 127.0.0.1:9 &
    program=$!
    main=$(desktop_wait_window Vesk3 10)
    sleep 0.5   # the window manager has framed and placed it
}
stop() {    # stop: closed as a user would, or killed so the test ends
    desktop_close "$main" "$program" || kill "$program"
    wait "$program" 2>/dev/null
}

desktop_start "$app" "$launcher"
trap 'desktop_stop; rm -rf "$WORK"' EXIT
conf_dir="$XDG_CONFIG_HOME/Vesk Client V3.3"
conf="$conf_dir/Vesk.conf"
mkdir -p "$conf_dir"
printf '[Vesk]\nAutoCompare=0\n' >"$conf"

# First run: centred on the work area above the panel (1280 x 772), active.
start
check "the main window is shown" test -n "$main"
[ -n "$main" ] || exit 1
eval "$(xwininfo -id "$main" | awk '/Width/ {print "w=" $NF} /Height/ {print "h=" $NF}')"
expected="$(((1280 - w) / 2)),$(((772 - h) / 2))"
check "the first run centres it on the work area ($expected, at $(corner "$main"))" test "$(corner "$main")" = "$expected"
check "it has the keyboard focus" test "$(xdotool getactivewindow 2>/dev/null)" = "$main"

# The settings sheet opened and cancelled: the screen saver's timeout stays.
timeout_before=$(xset q | awk '/timeout:/ {print $2}')
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" $((WIDTH * 3 / 8)) 12 click 1
sheet=$(desktop_wait_window "설정" 5)
check "the settings sheet opens" test -n "$sheet"
if [ -n "$sheet" ]; then
    # The environment page's first swatch opens Qt's colour chooser.
    xdotool key ctrl+Tab
    sleep 0.3
    xdotool mousemove --window "$sheet" 246 105 click 1
    chooser=$(desktop_wait_window "색 선택" 5)
    check "the colour chooser is titled in Korean" test -n "$chooser"
    if [ -n "$chooser" ]; then
        sleep 0.3
        import -window "$chooser" "$artifacts/colour-chooser.png"
        xdotool key Escape
        sleep 0.3
    fi
    xdotool key Escape   # Cancel
    sleep 0.5
fi
check "cancelling leaves the screen saver's timeout ($timeout_before s)" \
    test "$(xset q | awk '/timeout:/ {print $2}')" = "$timeout_before"

# Dragged by its body to somewhere else, then three restarts.
main=$(desktop_wait_window Vesk3 3)
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --window "$main" 12 $((HEIGHT - 10)) mousedown 1 \
    mousemove_relative -- 60 40 mousemove_relative -- 137 71 mouseup 1
sleep 0.3
placed=$(corner "$main")
check "the drag moved it" test "$placed" != "$expected"
stop
for run in 1 2 3; do
    start
    check "restart $run: back at $placed" test "$(corner "$main")" = "$placed"
    stop
done

# kill -TERM with a world clock open: saved as the exit saves.
printf '[Vesk]\nAutoCompare=0\nWORLDDLG0_AREACODE=45\nWORLDDLG0_AREANAME=런던\nWORLDDLG0_nX=700\nWORLDDLG0_nY=300\n' >"$conf"
start
at=$(corner "$main")
kill -TERM "$program"
wait "$program"
check "kill -TERM ends the program normally" test $? -eq 0
check "it saved INITWIN" grep -q '^INITWIN=1$' "$conf"
check "and the main window's corner" grep -q "^Vesk_Y=${at#*,}\$" "$conf"
check "and the world clock's" grep -q '^WORLDDLG0_nX=700$' "$conf"
check "and the last synchronisation" grep -q '^ServerID=0$' "$conf"
desktop_stop
rm -rf "$WORK"

# A desktop without a notification area: nothing may vanish out of reach.
DESKTOP_TRAY=none desktop_start "$app" "$launcher"
mkdir -p "$conf_dir"
printf '[Vesk]\nAutoCompare=0\nINITWIN=0\n' >"$conf"
start
check "without a tray the main window shows" test -n "$main"
if [ -n "$main" ]; then
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove --window "$main" $((WIDTH * 7 / 8)) 12 click 1   # 감추기
    sleep 0.5
    check "hiding minimises it" bash -c "xprop -id $main WM_STATE | grep -q Iconic"
    check "and the program runs on" kill -0 "$program"
    kill "$program"
    wait "$program" 2>/dev/null
fi

echo "$fails failed"
[ $fails -eq 0 ]
