#!/usr/bin/env bash
# The clock windows of the real program on a throwaway X desktop: a saved
# slim clock and three world clocks come back at start, see-through where a
# compositor runs and opaque where none does; a world clock dragged with
# the mouse is saved where it was dropped. Screenshots go to ARTIFACTS.
#   clocks_test.sh APP_DIR LAUNCHER ARTIFACTS
set -u
app=$1 launcher=$2 artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/checks.sh"
require Xvfb jwm xdotool xprop xsetroot xcompmgr import setpriv
. "$here/desktop.sh"
mkdir -p "$artifacts"

desktop_start "$app" "$launcher"
compositor=""
trap 'desktop_stop; [ -n "$compositor" ] && { kill $compositor; wait $compositor; } 2>/dev/null; rm -rf "$WORK"' EXIT
xsetroot -solid '#3a6ea5'   # something for see-through windows to show
conf_dir="$XDG_CONFIG_HOME/Vesk Client V3.3"
conf="$conf_dir/Vesk.conf"

# Saved: the slim clock showing, three world clocks (London, New York,
# Sydney), see-through wanted.
write_conf() {
    mkdir -p "$conf_dir"
    cat >"$conf" <<CONF
[Vesk]
AutoCompare=0
TransWin=1
INITWIN=2
KORSLIM_X=40
KORSLIM_Y=40
WORLDDLG0_AREACODE=45
WORLDDLG0_AREANAME=런던
WORLDDLG0_nX=300
WORLDDLG0_nY=200
WORLDDLG1_AREACODE=124
WORLDDLG1_AREANAME=뉴욕
WORLDDLG1_nX=300
WORLDDLG1_nY=300
WORLDDLG2_AREACODE=174
WORLDDLG2_AREANAME=시드니
WORLDDLG2_nX=300
WORLDDLG2_nY=400
CONF
}

# Ends the program as a user would: the tray menu's last item, "종료".
# The menu gets a few tries (a click can land while the window manager is
# still busy); a program that will not end is killed, so the test fails
# rather than hangs.
exit_program() {
    local pid=$1 try before
    eval "$(xdotool getdisplaygeometry --shell)"
    for try in 1 2 3; do
        before=$(xdotool search --onlyvisible --class Vesk 2>/dev/null | wc -l)
        xdotool mousemove $((WIDTH - 14)) $((HEIGHT - 14)) click 3
        for _ in $(seq 40); do
            [ "$(xdotool search --onlyvisible --class Vesk 2>/dev/null | wc -l)" -gt "$before" ] && break
            sleep 0.05
        done
        sleep 0.2
        xdotool key Up Return
        for _ in $(seq 60); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.05; done
        xdotool key Escape
    done
    kill "$pid" 2>/dev/null
    return 1
}

run_scene() {   # run_scene NAME: start, wait for the four clocks, screenshot
    desktop_run_program vesk-test-launcher 127.0.0.1:9 &   # no time server answers there
    program=$!
    for _ in $(seq 100); do
        [ "$(xdotool search --onlyvisible --class Vesk 2>/dev/null | wc -l)" -ge 4 ] && break
        sleep 0.05
    done
    sleep 0.8
    check "$1: the slim clock and three world clocks are shown" \
        test "$(xdotool search --onlyvisible --class Vesk 2>/dev/null | wc -l)" -ge 4
    import -window root "$artifacts/clocks-$1.png"
}

# With a compositor: see-through world clocks.
xcompmgr -n >/dev/null 2>&1 &
compositor=$!
sleep 0.5
write_conf
run_scene see-through

# Drag the London clock by its body.
london=""
for id in $(xdotool search --onlyvisible --class Vesk); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    [ "$X" -eq 300 ] && [ "$Y" -eq 200 ] && london=$id
done
check "the London clock is at its saved corner" test -n "$london"
if [ -n "$london" ]; then
    xdotool mousemove 380 215 mousedown 1 mousemove 420 235 mousemove 480 265 mouseup 1
    sleep 0.5
    xdotool mousemove 700 600   # off the clocks, before the tray is used
    eval "$(xdotool getwindowgeometry --shell "$london")"
    check "the drag moved it" test "$X" -ne 300 -o "$Y" -ne 200
    moved_x=$X moved_y=$Y
fi
check "the tray menu's exit ends the program" exit_program $program
wait $program 2>/dev/null
check "INITWIN keeps the slim clock" grep -q '^INITWIN=2' "$conf"
if [ -n "$london" ]; then
    check "the dropped corner is saved" grep -q "^WORLDDLG0_nX=$moved_x\$" "$conf"
fi
check "three world clocks are saved" grep -q '^WORLDDLG2_AREACODE=174' "$conf"
check "the fourth slot is free" grep -q '^WORLDDLG3_AREACODE=-2' "$conf"

# Without a compositor: the same clocks, opaque.
kill $compositor; wait $compositor 2>/dev/null; compositor=""
sleep 0.5
write_conf
run_scene opaque
check "the tray menu's exit ends the program again" exit_program $program
wait $program 2>/dev/null

echo "$fails failed"
[ $fails -eq 0 ]
