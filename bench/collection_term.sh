#!/usr/bin/env bash
# The real program in tmux over the collection of bench/make_collection.py:
# the times a user sees, read off the screen. In each round the list is
# emptied, the tree added ("Añadir Carpeta", until the list shows it), a few
# selections made (a click, Down, PgDn, End: until the panel shows the tag),
# an "Aplicar ID3v1.1" walk run over every entry (until its window goes) and
# one more walk cancelled halfway (from the key until its window goes). The
# walks set only the comment, so the titles stay those of the tree.
# The screen is polled every 10 ms, and each poll runs tmux: the time of one
# poll, measured in every round, is what a figure may exceed the program by.
# Usage: collection_term.sh PROGRAM TREE [ROUNDS]
set -euo pipefail

source "$(dirname "$0")/../tests/e2e/tmux_common.sh" "$(realpath "$1")" ""
tree=$2
rounds=${3:-3}
progress="Progreso del archivo..."
poll_limit=12000  # 10 ms polls: two minutes

# Sends keys at once, without the pause of keys().
press() { tmux -S "$socket" send-keys -t "$session" "$@"; }
# Every poll forks tmux alone: no date, grep or sed on the way.
# The title field's text.
title() {
    local text
    text=$(screen)
    text=${text#*Titulo:}
    text=${text%%■Comentario*}
    text=${text#"${text%%[! ]*}"}
    echo "${text%"${text##*[! ]}"}"
}
# Polls until the command succeeds; prints the seconds since the start given.
seconds_until() {
    local start=$1
    shift
    for _ in $(seq "$poll_limit"); do
        if "$@"; then
            awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f\n", b - a }'
            return 0
        fi
        sleep 0.01
    done
    fail "waited too long for: $*"
}
shows() {
    local text
    text=$(screen)
    [[ $text == *"$1"* ]]
}
hides() { ! shows "$1"; }
title_is_not() { local t; t=$(title); [ -n "$t" ] && [ "$t" != "$1" ]; }
# A click on the first cell of a text, as one xterm report sent at once.
click_report() {
    local row column
    row=$(row_of "$1")
    [ -n "$row" ] || fail "nothing to click: '$1'"
    column=$(column_of "$1")
    printf '\033[<0;%d;%dM\033[<0;%d;%dm' "$column" "$row" "$column" "$row"
}
# Times a key or click until the title field changes.
selection_time() {
    local before start
    before=$(title)
    start=$EPOCHREALTIME
    "$@"
    seconds_until "$start" title_is_not "$before"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

declare -A figures
record() { figures[$1]="${figures[$1]:-} $2"; echo "  $1: $2 s"; }

start 160 50
# Only the comment is written by the walks; everything else unchecked.
for box in "■Titulo:" "■Artista:" "■Album:" "■Año:" "■Track:" "■Genero:" "■URL:" "■Compositor:" \
    "■Artista Orig.:" "■Copyright:" "■Codificado:"; do
    click_on "$box"
done
click_on "Todos"

for round in $(seq "$rounds"); do
    echo "round $round"
    # What reading the screen alone costs: every figure includes about one.
    record "one poll of the screen" "$(seconds_until "$EPOCHREALTIME" shows "Lirvane v3.0")"
    click_on "Borrar Todo"
    expect_not ".mp3"
    click_on "Añadir Carpeta"
    expect "Choose a folder to recursively add"
    keys Tab
    keys -l "$tree"
    keys Enter
    keys Tab
    started=$EPOCHREALTIME
    press Enter
    record "add, until the list shows" "$(seconds_until "$started" shows ".mp3")"

    click=$(click_report ".mp3")
    record "click, until its tag shows" "$(selection_time press -l "$click")"
    record "Down, until its tag shows" "$(selection_time press Down)"
    record "PgDn, until its tag shows" "$(selection_time press PageDown)"
    record "End, until its tag shows" "$(selection_time press End)"

    click=$(click_report "Aplicar ID3v1.1")
    started=$EPOCHREALTIME
    press -l "$click"
    record "v1 walk over all, until it ends" "$(seconds_until "$started" hides "$progress")"

    press -l "$click"
    sleep "$(awk -v w="${figures["v1 walk over all, until it ends"]##* }" 'BEGIN { print w / 2 }')"
    started=$EPOCHREALTIME
    press Escape
    record "Cancel, until the walk ends" "$(seconds_until "$started" hides "$progress")"
done

keys C-w
ended_with 0

echo "medians of $rounds rounds (the terminal run, $(tmux -V), screen polled every 10 ms):"
for name in "one poll of the screen" "add, until the list shows" "click, until its tag shows" "Down, until its tag shows" \
    "PgDn, until its tag shows" "End, until its tag shows" "v1 walk over all, until it ends" \
    "Cancel, until the walk ends"; do
    # shellcheck disable=SC2086
    printf '  %-34s %s s  (%s )\n' "$name" "$(printf '%s\n' ${figures[$name]} | median)" "${figures[$name]}"
done
