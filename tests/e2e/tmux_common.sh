# Helpers of the end-to-end tests: the program runs in a tmux session whose
# screen they read back and type at. The sourcing script sets `socket` and
# `session`.

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
