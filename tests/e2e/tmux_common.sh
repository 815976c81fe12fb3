# Helpers of the end-to-end tests: the program runs in a tmux session whose
# screen they read back and type at, in a folder of its own that goes at the
# end. Sourced with the program and the fixture maker as arguments.

program=$1
make_fixtures=$2
work=$(mktemp -d)
session="lirvane-e2e-$$"
socket="$work/tmux.sock"
trap 'tmux -S "$socket" kill-server 2>/dev/null || true; rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; echo "--- screen ---"; screen; exit 1; }
screen() { tmux -S "$socket" capture-pane -p -t "$session"; }
keys() { tmux -S "$socket" send-keys -t "$session" "$@"; sleep 0.15; }
# Waits until the screen shows the text.
expect() {
    for _ in $(seq 50); do
        if screen | grep -qF -- "$1"; then return 0; fi
        sleep 0.1
    done
    fail "the screen never showed '$1'"
}
# Waits until the screen no longer shows the text.
expect_not() {
    for _ in $(seq 50); do
        if ! screen | grep -qF -- "$1"; then return 0; fi
        sleep 0.1
    done
    fail "the screen still shows '$1'"
}
# The screen column (from 1) where a text starts: characters, not bytes, count.
column_of() { column_on_row_of "$1" "$1"; }
# A mouse event at a cell (from 1), as an xterm reports it (SGR): the button
# code (16 adds Ctrl, 4 Shift, 32 motion, 64 the wheel), and M for a press or
# motion, m for a release.
mouse() { keys -l "$(printf '\033[<%d;%d;%d%s' "$1" "$2" "$3" "$4")"; }
row_of() { screen | grep -nF -- "$1" | head -1 | cut -d: -f1; }
# The column of a text on the first row that holds another text.
column_on_row_of() { screen | grep -F -- "$2" | head -1 | python3 -c 'import sys; print(sys.stdin.read().index(sys.argv[1]) + 1)' "$1"; }
# Two clicks on the first cell of a text, at once.
double_click_on() {
    local row column click
    row=$(row_of "$1")
    [ -n "$row" ] || fail "nothing to click: '$1'"
    column=$(column_of "$1")
    click=$(printf '\033[<0;%d;%dM\033[<0;%d;%dm' "$column" "$row" "$column" "$row")
    keys -l "$click$click"
}
# Clicks on the first cell of a text, on the first row that holds another
# text when one is given, with the button code given (0: none).
click_on() {
    local row column code=${2:-0} line=${3:-$1}
    row=$(row_of "$line")
    [ -n "$row" ] || fail "nothing to click: '$line'"
    column=$(column_on_row_of "$1" "$line")
    mouse "$code" "$column" "$row" M
    mouse "$code" "$column" "$row" m
}

# Starts the program in the work folder, in a terminal of the size given
# (160 by 50 unless told) and with the TERM given. The shell around it
# outlives a Ctrl+C, which the terminal sends to both.
launch() {
    rm -f "$work/exit" "$work/stty"
    echo "set -g default-terminal ${3:-xterm-256color}" > "$work/tmux.conf"
    # The server of the previous run may still be going away: try again then.
    for attempt in 1 2 3 4 5; do
        tmux -S "$socket" -f "$work/tmux.conf" new-session -d -s "$session" -x "${1:-160}" -y "${2:-50}" \
            "trap : INT; unset DISPLAY WAYLAND_DISPLAY; cd '$work' && LANG=C.UTF-8 XDG_CONFIG_HOME='$work/cfg' '$program'; echo \$? > '$work/exit'; stty -a > '$work/stty'; sleep 60" \
            && break
        [ "$attempt" -lt 5 ] || fail "tmux did not start"
        sleep 0.5
    done
}
# Starts the program and waits for its main window.
start() {
    launch "$@"
    expect "Lirvane v3.0"
}
# Waits for the program to end: with the exit code given, the terminal restored.
ended_with() {
    for _ in $(seq 50); do [ -s "$work/stty" ] && break; sleep 0.1; done
    [ "$(cat "$work/exit" 2>/dev/null)" = "$1" ] || fail "the program did not end with $1"
    grep -q -- " icanon" "$work/stty" && grep -q -- " echo" "$work/stty" || fail "the terminal was left in raw mode"
    tmux -S "$socket" kill-session -t "$session"
}
