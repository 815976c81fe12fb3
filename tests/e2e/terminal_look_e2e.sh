#!/usr/bin/env bash
# The terminal front end as a user meets it, under tmux: fields and captions
# shown whole, the folder browser, a choice too large for the open dialog,
# scrolling by mouse, menus by Alt, resizing, repainting, help, and leaving
# from a terminal too small or unable to draw.
# Usage: terminal_look_e2e.sh PROGRAM MAKE_FIXTURES
set -euo pipefail

source "$(dirname "$0")/tmux_common.sh" "$@"

mkdir -p "$work/music" "$work/many" "$work/cfg"
"$make_fixtures" "$work/music"
# More names than the open dialog's result holds at once.
for i in $(seq -w 1 200); do : > "$work/many/track $i of a long album title.mp3"; done

resize() { tmux -S "$socket" resize-window -t "$session" -x "$1" -y "$2"; }
# Waits until the caption's close box stands at the column (from 1) given.
expect_close_box_at() {
    for _ in $(seq 50); do
        [ "$(screen | head -1 | python3 -c 'import sys; print(sys.stdin.read().rfind("[X]") + 1)')" = "$1" ] && return 0
        sleep 0.1
    done
    fail "the caption's [X] is not at column $1"
}
help_line() { screen | tail -1; }
# Drags the thumb of the scroll bar in `column` from one row to another.
drag() {
    mouse 0 "$1" "$2" M
    mouse 32 "$1" "$3" M
    mouse 0 "$1" "$3" m
}

start 80 43
help_line | grep -qF "Esc" && fail "the main window's help line names Esc, which does nothing there"

# The folder browser: a highlighted sub-folder is what OK adds, and its path
# field says so.
click_on "Añadir Carpeta"
expect "Choose a folder to recursively add to the file list..."
click_on "[music]"
expect "Ruta:     $work/music"
click_on "Aceptar"
expect "$work/music/uno.mp3"
screen | grep -qF "many/track" && fail "the folder shown was added instead of the highlighted one"
echo "ok: OK in the folder browser adds the highlighted sub-folder"

# A double click opens a folder in the open dialog.
click_on "Añadir Archivo"
expect "Open..."
double_click_on "[music]"
expect "Carpeta:  $work/music"
keys Escape
expect_not "Open..."
echo "ok: a double click opens a folder in the file dialog"

# A year of four digits and a title set by the program show from their start.
click_on "music/uno.mp3"
expect "Canción Uno"
[ "$(row_of "1965")" = "$(row_of "Año:")" ] || fail "the year is not shown whole"
echo "ok: a year of four digits shows whole"

# Alt+A opens the first menu of that letter, Archivo; again, the next, Ayuda.
keys M-a
expect "Cargar Lista..."
keys M-a
expect "Acerca de..."
expect_not "Cargar Lista..."
keys Escape
expect_not "Acerca de..."
echo "ok: Alt+letter opens the first menu of that letter, then the next"

# 200 files chosen at once do not fit the dialog's result: a message says so
# and what to do, and the list keeps what it had.
click_on "Añadir Archivo"
expect "Open..."
keys -l many
keys Enter
expect "track 001"
top=$(row_of "[..]")
click_on "track 001" 0 "│ track 001"
drag "$(column_on_row_of "▲" "[..]")" "$((top + 1))" "$((top + 11))"
expect "track 200"
click_on "track 200" 4 "track 200 of"
click_on "Abrir"
expect "Too many files were chosen at once"
keys Enter
expect_not "Too many files were chosen at once"
screen | grep -qF "many/track" && fail "part of the choice was added"
expect "$work/music/uno.mp3"
echo "ok: 200 files chosen at once are reported and nothing is lost"

# Their folder, added as the message says, fills the list: the mouse scrolls it.
click_on "Añadir Carpeta"
expect "Choose a folder to recursively add to the file list..."
keys Tab
keys -l "$work/many"
keys Enter
click_on "Aceptar"
expect "many/track 001"
bar=$(column_on_row_of "▲" "many/track 001")
top=$(row_of "many/track 001")
mouse 0 "$bar" "$((top + 9))" M   # the down arrow: one row
mouse 0 "$bar" "$((top + 9))" m
expect_not "many/track 001"
expect "many/track 002"
drag "$bar" "$((top + 1))" "$((top + 8))"
expect "music/zeta.mp3"
mouse 0 "$bar" "$((top + 1))" M   # the track above the thumb: a page up
mouse 0 "$bar" "$((top + 1))" m
expect_not "music/zeta.mp3"
echo "ok: the list scrolls by its arrows, its track and its dragged thumb"

# Options, hidden behind the main window, comes to the front when chosen again.
keys F10
keys Up Enter
expect "Borrando Tag"
help_line | grep -qF "Esc:cancel" || fail "the help line of Options does not name Esc"
keys F6
expect_not "Borrando Tag"
keys F10
keys Up Enter
expect "Borrando Tag"
keys Escape
expect_not "Borrando Tag"
echo "ok: an open dialog hidden behind the main window comes to the front"

# F1 shows the key table.
keys F1
expect "Ctrl+L: repaint the whole screen from scratch"
keys Enter
expect_not "Ctrl+L: repaint"
echo "ok: F1 shows the key table"

# A resize lays everything out again, larger and back.
resize 160 86
expect_close_box_at 158
expect "Ctrl-Click o Shift-Click para seleccionar multiples archivos"
resize 80 43
expect_close_box_at 78
echo "ok: a resize from 80x43 to 160x86 and back lays the window out again"

# Ctrl+L repaints every cell, whatever was written over the screen.
printf '\033[10;10HGARBAGE-WRITTEN-OVER-THE-SCREEN' > "$(tmux -S "$socket" display -p -t "$session" '#{pane_tty}')"
expect "GARBAGE-WRITTEN-OVER-THE-SCREEN"
keys C-l
expect_not "GARBAGE"
echo "ok: Ctrl+L repaints the screen"

# Too small: a notice that fits, and Ctrl+W still quits.
resize 50 20
expect "Lirvane needs a terminal of at least"
expect "Ctrl+W quits."
keys C-w
ended_with 0
echo "ok: the program is left from a terminal too small"

# A terminal that cannot place the cursor: one line, a failure, nothing drawn.
launch 80 43 dumb
for _ in $(seq 50); do [ -s "$work/stty" ] && break; sleep 0.1; done
expect "cannot move the cursor"
[ "$(screen | grep -c .)" = 1 ] || fail "more than one line was written"
ended_with 1
echo "ok: TERM=dumb is refused in one line"
