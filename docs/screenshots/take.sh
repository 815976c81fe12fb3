#!/usr/bin/env bash
# Takes the README's screenshots of the desktop windows under Xvfb with a
# window manager, into docs/: the main window with a list and a shown tag,
# Options, About, a progress window, the rename dialog, the main window with
# Japanese names dropped on it, and the main window at twice the scale.
# Usage: docs/screenshots/take.sh [BUILD_DIR]   (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
source "$root/tests/e2e/desktop_session.sh"
trap 'stop_desktop; rm -rf "$work"' EXIT
DESKTOP_SCREEN=2400x1600 start_desktop  # room for the window at twice the scale

# The window with its frame, as the window manager draws it.
shoot() {
    local id
    id=$(window_named "$1") || { echo "no window '$1'"; exit 1; }
    sleep 0.5
    import -frame -window "$id" "$root/docs/$2"
    echo "docs/$2"
}

# A few files to list: the test fixtures and copies of them under other names.
music="$work/Música"
mkdir -p "$music" "$work/cfg"
"$build/tests/lirvane_make_fixtures" "$music"
for name in "Intro" "Nocturno en Re" "Último baile" "Viento del sur"; do cp "$music/uno.mp3" "$music/$name.mp3"; done
cd "$work"

# Starts the program (with the environment given) and lists the folder in its
# main window: Tab to "Añadir Carpeta" (19 tab stops on), type the folder's
# name; then to the list (three more tab stops) and the entry after its first.
start_with_music() {
    env XDG_CONFIG_HOME="$work/cfg" "$@" "$build/lirvane" >/dev/null 2>&1 &
    pids+=($!)
    main=$(window_named "Lirvane v3.0")
    sleep 1  # keys sent before the window has the focus would be lost
    for _ in $(seq 19); do xdotool key Tab; done
    xdotool key Return
    window_named "Buscar carpeta" >/dev/null
    xdotool key Tab
    xdotool type --delay 20 "Música"
    xdotool key Return
    sleep 0.3
    xdotool key Tab Return
    window_gone "Buscar carpeta"
    xdotool key Tab Tab Tab Home Down
}

start_with_music
program=${pids[-1]}
shoot "Lirvane v3.0" main-window.png

xdotool key F10 Up Return
shoot "Opciones..." options.png
xdotool key Escape
window_gone "Opciones..."

xdotool key F10 Right Return
shoot "Acerca de Lirvane" about.png
xdotool key Escape

# The windows the program opens only in passing, one after the other.
"$build/lirvane_showcase" progress &
showcase=$!
shoot "Progreso del archivo..." progress.png
kill "$showcase"
"$build/lirvane_showcase" rename &
pids+=($!)
shoot "Renombrar desde TAG's" rename.png
kill "${pids[-1]}"

# Names in other scripts: a folder of Japanese names dropped on the list, as
# from a file manager, and one of them shown.
japanese="$work/日本の音楽"
mkdir -p "$japanese"
for name in "さくら" "夜明けの歌" "東京の雨"; do cp "$music/uno.mp3" "$japanese/$name.mp3"; done
x=$(geometry "$main" "Absolute upper-left X:")
y=$(geometry "$main" "Absolute upper-left Y:")
"$build/tests/lirvane_xdnd_drop" "$main" $(( x + 100 )) $(( y + 80 )) "$japanese"
xdotool windowactivate --sync "$main" key End  # the list still has the focus
shoot "Lirvane v3.0" main-window-japanese.png

# The same at twice the scale, as on a screen of 192 dots per inch.
kill "$program"
window_gone "Lirvane v3.0"
start_with_music LIRVANE_SCALE=2
shoot "Lirvane v3.0" main-window-2x.png
