#!/usr/bin/env bash
# The program's windows on a throwaway X desktop, as the desktops people
# use show them. With a tray: new world clocks open clear of the main
# window and the world time dialog, the settings sheet opened from the
# tray stacks above a topmost schedule manager, and the manager keeps its
# size once its corner is saved. Without a tray: a second start, without
# XDG_RUNTIME_DIR, is refused with a message in sight and brings the first
# copy's minimised main window back; hiding, Esc and "모두감추기" leave the
# main window minimised, never withdrawn. Installed, a user folder of
# someone else's is refused. Screenshots go to ARTIFACTS.
#   windows_test.sh APP_DIR LAUNCHER ARTIFACTS
set -u
app=$1 launcher=$2 artifacts=$3
here=$(cd "$(dirname "$0")" && pwd)
. "$here/checks.sh"
require Xvfb jwm xdotool xprop xwininfo import setpriv md5sum
. "$here/desktop.sh"
mkdir -p "$artifacts"

# The frame of a window as the window manager draws it: "x y width height".
frame_box() {
    local x y w h l r t b
    eval "$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {print "x=" $NF} /Absolute upper-left Y/ {print "y=" $NF}
                                      /Width:/ {print "w=" $NF} /Height:/ {print "h=" $NF}')"
    read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ',')
    echo $((x - ${l:-0})) $((y - ${t:-0})) $((w + ${l:-0} + ${r:-0})) $((h + ${t:-0} + ${b:-0}))
}
# clear_of "BOX" "BOX": true when the two frames do not overlap.
clear_of() {
    local a=($1) b=($2)
    [ "${a[0]}" -ge $((b[0] + b[2])) ] || [ "${b[0]}" -ge $((a[0] + a[2])) ] ||
        [ "${a[1]}" -ge $((b[1] + b[3])) ] || [ "${b[1]}" -ge $((a[1] + a[3])) ]
}
# above WINDOW OTHER: true when the X server stacks WINDOW's frame above
# OTHER's (xwininfo lists the root's children top first).
above() {
    local root order
    root=$(xwininfo -root | awk '/Window id:/ {print $4}')
    frame() {   # the child of the root that holds the window
        local w=$1 parent
        while parent=$(xwininfo -id "$w" -children | awk '/Parent window id:/ {print $4}') &&
            [ -n "$parent" ] && [ "$parent" != "$root" ]; do w=$parent; done
        printf '0x%x' "$w"
    }
    order=$(xwininfo -root -children | awk '$1 ~ /^0x/ {print $1}')
    [ "$(echo "$order" | grep -n -x "$(frame "$1")" | cut -d: -f1)" -lt \
      "$(echo "$order" | grep -n -x "$(frame "$2")" | cut -d: -f1)" ]
}
wm_state() { xprop -id "$1" WM_STATE | awk '/window state/ {print $NF}'; }
size_of() { xwininfo -id "$1" | awk '/Width:/ {w = $NF} /Height:/ {h = $NF} END {print w "x" h}'; }
# wait_state WINDOW STATE [TENTHS]: until the window is in that WM_STATE.
wait_state() {
    for _ in $(seq "${3:-30}"); do [ "$(wm_state "$1")" = "$2" ] && return 0; sleep 0.1; done
    return 1
}
shown_windows() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | sort; }
# The window of PID that is new since the list BEFORE.
new_window() {
    local pid=$1 before=$2 id
    for _ in $(seq 50); do
        id=$(comm -13 <(echo "$before") <(shown_windows "$pid") | head -n1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.05
    done
    return 1
}
# tray_command PID DOWNS: the tray menu's item that many Downs from its top.
tray_command() {
    local before
    eval "$(xdotool getdisplaygeometry --shell)"
    before=$(shown_windows "$1")
    xdotool mousemove $((WIDTH - 14)) $((HEIGHT - 14)) click 3
    new_window "$1" "$before" >/dev/null
    sleep 0.2
    xdotool key $(printf 'Down %.0s' $(seq "$2")) Return
}
conf_dir() { echo "$XDG_CONFIG_HOME/Vesk Client V3.3"; }
start() {   # start [CONF LINES]: the program, its main window in $main
    mkdir -p "$(conf_dir)"
    printf '[Vesk]\nAutoCompare=0\nAutoCon=0\n%s' "${1:-}" >"$(conf_dir)/Vesk.conf"
    desktop_run_program vesk-test-launcher 127.0.0.1:9 &
    program=$!
    main=$(desktop_wait_window Vesk3 10)
    sleep 0.5   # framed and placed
}
stop() { kill -TERM "$program"; wait "$program" 2>/dev/null; }
button() {  # button N: the main window's top-row button N of 4
    local WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool mousemove --window "$main" $((WIDTH * (2 * $1 - 1) / 8)) 12 click 1
}

desktop_start "$app" "$launcher"
trap 'desktop_stop; rm -rf "$WORK"' EXIT

# --- With a tray --------------------------------------------------------
start
check "the main window is shown" test -n "$main"
[ -n "$main" ] || exit 1
button 1   # 세계시
world=$(desktop_wait_window "세계시각" 5)
check "the world time dialog opens" test -n "$world"
if [ -n "$world" ]; then
    sleep 0.3
    xdotool key Down Down Tab Tab Tab   # UTC, then on to "시계창보이기"
    for n in 1 2 3; do
        before=$(shown_windows "$program")
        xdotool windowactivate --sync "$world" key space
        clock=$(new_window "$program" "$before")
        sleep 0.3
        check "world clock $n opens" test -n "$clock"
        [ -n "$clock" ] || continue
        box=$(frame_box "$clock")
        check "world clock $n ($box) is clear of the main window ($(frame_box "$main"))" \
            clear_of "$box" "$(frame_box "$main")"
        check "and of the world time dialog ($(frame_box "$world"))" clear_of "$box" "$(frame_box "$world")"
    done
    import -window root "$artifacts/windows-world-clocks.png"
fi

tray_command "$program" 5   # 일정관리
manager=$(desktop_wait_window "일정관리" 5)
check "the schedule manager opens" test -n "$manager"
manager_size=$(size_of "$manager")
tray_command "$program" 3   # 환경설정, while the manager stays on top
sheet=$(desktop_wait_window "설정" 5)
check "the settings sheet opens from the tray" test -n "$sheet"
if [ -n "$sheet" ] && [ -n "$manager" ]; then
    sleep 0.3
    check "and stacks above the manager" above "$sheet" "$manager"
    import -window root "$artifacts/windows-sheet-over-manager.png"
    xdotool windowactivate --sync "$sheet" key Escape
fi
stop

start "$(printf 'Vesk_SCHEDLE_DLG_X=200\nVesk_SCHEDLE_DLG_Y=150\n')"
tray_command "$program" 5
manager=$(desktop_wait_window "일정관리" 5)
placed_size=$(size_of "$manager")
check "the manager at a saved corner keeps its size ($manager_size, $placed_size)" \
    test "$placed_size" = "$manager_size"
stop
desktop_stop
rm -rf "$WORK"

# --- Without a tray ----------------------------------------------------
DESKTOP_TRAY=none desktop_start "$app" "$launcher"
# A world clock, whose right click opens the program's menu.
start "$(printf 'WORLDDLG0_AREACODE=0\nWORLDDLG0_AREANAME=UTC\nWORLDDLG0_nX=60\nWORLDDLG0_nY=60\n')"
check "without a tray the main window shows" test -n "$main"
[ -n "$main" ] || exit 1
sleep 1   # the alarm thread has read (and saved) the book
book=$(cd "$INSTALL" && md5sum ./*.sch 2>/dev/null)
xdotool windowminimize --sync "$main"
check "the main window is minimised" wait_state "$main" Iconic

# A second start as su, sudo -u or ssh -X give it: no runtime folder.
began=$SECONDS
(unset XDG_RUNTIME_DIR; desktop_run_program vesk-test-launcher 127.0.0.1:9) &
second=$!
check "the second start brings the first copy's main window back" wait_state "$main" Normal 50
check "within 5 s" test $((SECONDS - began)) -le 5
box=$(new_window "$second" "")
check "the second start says a copy runs" test -n "$box"
if [ -n "$box" ]; then
    sleep 0.3
    check "its message is above the first copy's main window" above "$box" "$main"
    import -window root "$artifacts/windows-second-start.png"
    xdotool windowactivate --sync "$box" key Return
fi
wait "$second"
check "the second start ends with status 1" test $? -eq 1
check "the first copy runs on" kill -0 "$program"
check "its schedule book is as it was" test "$(cd "$INSTALL" && md5sum ./*.sch 2>/dev/null)" = "$book"

# Hiding, Esc and "모두감추기" each leave the main window minimised.
button 4   # 감추기
check "감추기 minimises the main window" wait_state "$main" Iconic
xdotool windowactivate --sync "$main" 2>/dev/null
wait_state "$main" Normal
xdotool key Escape
check "Esc minimises it" wait_state "$main" Iconic
xdotool windowactivate --sync "$main" 2>/dev/null
wait_state "$main" Normal
xdotool mousemove 100 70 click 3   # the world clock's menu
sleep 0.5
xdotool key Up Up Return   # 모두감추기, above 종료
check "모두감추기 minimises it" wait_state "$main" Iconic
stop

# --- Installed, its user folder someone else's -------------------------
# Another user's folder that anyone may write, the log a link planted to
# a file of the user's: refused before anything is written.
if [ "$(id -u)" -eq 0 ]; then
    usr=$WORK/usr
    mkdir -p "$usr/lib/vesk" "$usr/share/vesk" "$WORK/data/vesk"
    for f in "$app"/*; do
        if [ -x "$f" ]; then cp "$f" "$usr/lib/vesk/"; else cp "$f" "$usr/share/vesk/"; fi
    done
    echo mine >"$HOME/bashrc"
    ln -s "$HOME/bashrc" "$WORK/data/vesk/VeskLog.txt"
    chown nobody "$WORK/data/vesk"
    chmod 0777 "$WORK/data/vesk"
    (cd "$WORK" && XDG_DATA_HOME=$WORK/data exec setpriv --bounding-set=-all --inh-caps=-all "$usr/lib/vesk/Vesk") &
    refused=$!
    box=$(new_window "$refused" "")
    check "installed, another user's program folder is refused" test -n "$box"
    if [ -n "$box" ]; then
        sleep 0.3
        import -window "$box" "$artifacts/windows-folder-refused.png"
        xdotool windowactivate --sync "$box" key Return
    fi
    wait "$refused"
    check "with status 1" test $? -eq 1
    check "the file behind the planted log is untouched" test "$(cat "$HOME/bashrc")" = mine
    check "and nothing is copied in" test ! -e "$WORK/data/vesk/Vesk.hlp"
else
    echo "skip - another user's folder needs root to make"
fi

echo "$fails failed"
[ $fails -eq 0 ]
