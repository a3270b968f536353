# Sourced by the desktop tests and measurements: a throwaway X desktop
# (Xvfb with the jwm window manager, whose panel docks tray icons) and a
# temporary installation of the program with its own home.
#   desktop_start APP_DIR [LAUNCHER]   sets DISPLAY, WORK, INSTALL, HOME;
#                                      the test launcher goes beside the
#                                      program; the panel runs along the
#                                      bottom, or the top when DESKTOP_PANEL=top;
#                                      DESKTOP_TRAY=none leaves it without a
#                                      notification area
#   desktop_stop
# Only processes started here are ended, by their PIDs.

desktop_pids=()

desktop_start() {
    local app=$1 launcher=${2:-}
    WORK=$(mktemp -d /tmp/vesk-desktop.XXXXXX)
    INSTALL=$WORK/install
    mkdir -p "$INSTALL" "$WORK/home" "$WORK/runtime"
    chmod 700 "$WORK/runtime"
    cp -r "$app"/. "$INSTALL"/
    [ -z "$launcher" ] || cp "$launcher" "$INSTALL"/
    export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config XDG_RUNTIME_DIR=$WORK/runtime
    unset XDG_SESSION_TYPE WAYLAND_DISPLAY QT_QPA_PLATFORM

    # Xvfb takes the first free display itself and names it once it is
    # ready, so desktops started side by side never pick the same one. It
    # must not reset when its first client leaves: a client connecting
    # during the reset (the window manager) is refused.
    Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$WORK/display" \
        >"$WORK/xvfb.log" 2>&1 &
    desktop_pids+=($!)
    for _ in $(seq 400); do [ -s "$WORK/display" ] && break; sleep 0.05; done
    export DISPLAY=:$(head -n1 "$WORK/display")
    for _ in $(seq 200); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done

    local panel_y=-1 dock="<Dock/>"
    [ "${DESKTOP_PANEL:-bottom}" = top ] && panel_y=0
    [ "${DESKTOP_TRAY:-}" = none ] && dock=""
    # Inactive windows stay opaque so screenshots show them as they are.
    cat >"$WORK/jwmrc" <<JWM
<?xml version="1.0"?>
<JWM>
  <Tray x="0" y="$panel_y" height="28" autohide="off">
    <TrayButton label="Vesk">showdesktop</TrayButton>
    <Spacer/>
    $dock
  </Tray>
  <WindowStyle><Opacity>1.0</Opacity><Active><Opacity>1.0</Opacity></Active></WindowStyle>
  <FocusModel>click</FocusModel>
  <Key mask="A" key="F4">close</Key>
</JWM>
JWM
    jwm -f "$WORK/jwmrc" >"$WORK/jwm.log" 2>&1 &
    desktop_pids+=($!)
    # jwm announces itself on the root window; its panel takes the tray
    # selection a moment later.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.05
    done
    sleep 0.3
}

desktop_stop() {
    local pid
    for pid in "${desktop_pids[@]}"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    desktop_pids=()
}

# desktop_wait_window NAME [TIMEOUT_S]: the id of a visible window with
# exactly that title.
desktop_wait_window() {
    local name=$1 limit=${2:-10} id
    local end=$((SECONDS + limit))
    while [ $SECONDS -le $end ]; do
        id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -n1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.02
    done
    return 1
}

# desktop_run_program PROGRAM [ARGS]: the program (Vesk, or
# vesk-test-launcher with its servers) without any right: as root, every
# capability leaves the bounding set, so neither it nor the helper it runs
# can set the clock, and the helper takes the servers it is given. Run it
# with &: the background job becomes the program itself, so $! is its PID.
desktop_run_program() {
    local program=$1
    shift
    cd "$INSTALL" || exit 1
    if [ "$(id -u)" -eq 0 ]; then
        exec setpriv --bounding-set=-all --inh-caps=-all "./$program" "$@"
    fi
    exec "./$program" "$@"
}

# desktop_close WINDOW PID: closes the window as a user would (Alt+F4 to
# the window manager) until the program PID has ended; a few tries, since
# a key can land while the window manager is still busy. False if it runs on.
# The keys go to the active window as typed: sent at a named window, jwm
# closes the next window to become active as well.
desktop_close() {
    local window=$1 pid=$2 try
    for try in 1 2 3; do
        xdotool windowactivate --sync "$window" 2>/dev/null
        xdotool key alt+F4 2>/dev/null
        for _ in $(seq 60); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.05; done
    done
    return 1
}
