# A desktop for end-to-end runs, sourced by the desktop test and the
# screenshot script: Xvfb on a free display with a window manager, and ways to
# find windows. Needs $work (a scratch folder); fills $pids for cleanup.
pids=()

# Ends what was started, the X server last, so that no client sees it go.
stop_desktop() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
}

# Starts the X server (its screen DESKTOP_SCREEN, 1280x1024 unless set) and
# the window manager: returns 77 when no X server can start here, 1 when a
# tool is missing or the window manager fails.
start_desktop() {
    local tool
    command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed"; return 77; }
    for tool in xdotool xwininfo xprop openbox; do
        command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (make installs it)"; return 1; }
    done
    # Xvfb picks a free display and writes its number to fd 3.
    Xvfb -displayfd 3 -screen 0 "${DESKTOP_SCREEN:-1280x1024}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || { echo "SKIP: Xvfb did not start"; cat "$work/xvfb.log"; return 77; }
    export DISPLAY=":$(head -1 "$work/display")"
    unset WAYLAND_DISPLAY
    # The program's own dialogs, never the file chooser of the session this runs in.
    unset DBUS_SESSION_BUS_ADDRESS
    export XDG_RUNTIME_DIR="$work"
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids+=($!)
    # A window mapped while the window manager is still starting may stay unmapped:
    # wait until it has announced itself on the root window.
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
        sleep 0.1
    done
    echo "FAIL: the window manager did not start"; cat "$work/openbox.log"; return 1
}

# Waits for a visible window with this caption and prints its id.
window_named() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) || true
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        sleep 0.1
    done
    return 1
}

# Waits until no visible window has this caption.
window_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}

# A field of xwininfo's report on a window ("Width:", "Absolute upper-left X:").
geometry() { xwininfo -id "$1" | awk -v f="$2" '$0 ~ f { print $NF }'; }
