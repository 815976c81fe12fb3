#!/usr/bin/env bash
# Runs the real program in tmux, types at it and reads the screen back.
# Usage: terminal_e2e.sh PROGRAM MAKE_FIXTURES
set -euo pipefail

source "$(dirname "$0")/tmux_common.sh" "$@"

mkdir -p "$work/music/sub" "$work/cfg" "$work/long"
"$make_fixtures" "$work/music"
"$make_fixtures" "$work/long" 3000

stop() {
    keys C-w
    ended_with 0
}

start
echo "ok: the main window appears"
expect "Añadir Carpeta"
expect "Año:"
expect "Borrar Selección"

# Add the folder with the keyboard alone: Tab to "Añadir Carpeta", type the
# path into the browser's field, and accept.
for _ in $(seq 19); do keys Tab; done
keys Enter
expect "Choose a folder to recursively add to the file list..."
keys Tab
keys -l "music"
keys Enter
expect "$work/music"
keys Tab
keys Enter
expect "$work/music/uno.mp3"
expect "$work/music/zeta.mp3"
echo "ok: a folder is added with the keyboard"

# To the list (three more tab stops), then move through it.
keys Tab Tab Tab
keys Home
expect "Canción Uno"
expect "Rock"
keys Down
expect "Segunda"
expect_not "Canción Uno"
keys Up
expect "Canción Uno"
echo "ok: moving through the list shows the ID3v1.1 tags"

click_on "music/zeta.mp3"
expect "Segunda"
click_on "music/uno.mp3" 16
expect "Canción Uno"
echo "ok: a click and a Ctrl+click show the entry clicked last"

# The view buttons take no Tab: F2 backwards from the title field reaches them.
keys Tab
keys S-F2
keys Space
expect "Título Dos"
expect_not "Canción Uno"
echo "ok: the ID3v2.3 view shows the frames"

# Unchecking "Titulo:" disables its field: Tab leaves it out from now on.
for _ in $(seq 9); do keys Tab; done
keys Space
expect "□Titulo:"
echo "ok: unchecking a box disables its field"

# Options opens over the main window's middle (the main window fills the 160
# columns); choose "Full" for ID3v1.1 and OK.
keys F10
keys Up Enter
expect "Borrando Tag"
options=$(column_of 'Borrando Tag')
[ "$options" -gt 40 ] && [ "$options" -lt 100 ] || fail "the Options dialog is not over the main window"
keys F2 F2 F2
keys Space
keys Enter
expect_not "Borrando Tag"
grep -q '"QuickV1"=dword:00000000' "$work/cfg/lirvane/registry" || fail "the choice was not stored"
echo "ok: Options stores the choice"
stop
echo "ok: the program ends with the close key and restores the terminal"

start
keys F10
keys Up Enter
expect "Borrando Tag"
expect "●Full"
expect "○Suave"
keys Escape
expect_not "Borrando Tag"
stop
echo "ok: the stored choice is there after a restart"

# --- The tag operations -----------------------------------------------------------

# The folder browser from the main window's button: type the folder, accept.
add_folder() {
    click_on "Añadir Carpeta"
    expect "Choose a folder to recursively add to the file list..."
    keys Tab
    keys -l "$1"
    keys Enter
    expect "$work/$1"
    keys Tab
    keys Enter
}
# Clicks into the field that shows the text and types another in its place.
retype() {
    click_on "$1"
    keys End
    for _ in $(seq ${#1}); do keys BSpace; done
    keys -l "$2"
}
# The text of an ID3v1.1 title on disk: 30 bytes after "TAG" in the last 128.
v1_title() { tail -c 125 "$1" | head -c 30 | tr -d '\0'; }

start
add_folder music
expect "$work/music/zeta.mp3"
click_on "music/uno.mp3"
click_on "music/zeta.mp3" 16
expect "Segunda"
retype "Segunda" "Nuevo Titulo"
click_on "Aplicar ID3v1.1"
expect_not "Progreso del archivo..."
for f in uno zeta; do
    [ "$(v1_title "$work/music/$f.mp3")" = "Nuevo Titulo" ] || fail "$f.mp3 has no new ID3v1.1 title"
done
expect "Nuevo Titulo"
echo "ok: Aplicar ID3v1.1 writes both selected files and the panel shows the new tag"

click_on "ID3v2.3 Tags"
expect "Segundo Título"
retype "Segundo Título" "Titulo Dos Nuevo"
click_on "Aplicar ID3v2.3"
expect_not "Progreso del archivo..."
for f in uno zeta; do
    head -c 2048 "$work/music/$f.mp3" | grep -qaF "Titulo Dos Nuevo" || fail "$f.mp3 has no new ID3v2.3 title"
done
expect "Titulo Dos Nuevo"
echo "ok: Aplicar ID3v2.3 writes both selected files and the panel shows the new tag"

# A Japanese title typed at the terminal: drawn two cells a character, written
# as UTF-16 that another reader takes back unchanged.
retype "Titulo Dos Nuevo" "日本の歌"
keys Left BSpace
expect "日本歌"
click_on "Aplicar ID3v2.3"
expect_not "Progreso del archivo..."
expect "日本歌"
for f in uno zeta; do
    /usr/bin/python3 -c "import sys, mutagen.id3 as i; sys.exit(i.ID3(sys.argv[1])['TIT2'].text[0] != '日本歌')" \
        "$work/music/$f.mp3" || fail "$f.mp3 has no Japanese ID3v2.3 title"
done
echo "ok: a Japanese title is typed, edited by character and written"

# A walk over thousands of files that must grow: Cancel stops it part-way.
click_on "Borrar Todo"
add_folder long
expect "$work/long/00000.mp3"
click_on "○Todos"
click_on "Copiar ID3v1.1 a ID3v2.3"
expect "Copying ID3v1.1 To ID3v2.3..."
expect "█"
click_on "Cancelar"
expect_not "Progreso del archivo..."
[ "$(head -c 3 "$work/long/02999.mp3")" = ID3 ] || fail "the last entry was not copied first"
[ "$(head -c 3 "$work/long/00000.mp3")" != ID3 ] || fail "Cancel did not stop the walk"
echo "ok: Cancel stops a running walk after the file under work"

# Ctrl+C during a walk: the interrupt, which stops the walk after the file
# under work and ends the program by it, the terminal restored.
click_on "Copiar ID3v1.1 a ID3v2.3"
expect "Copying ID3v1.1 To ID3v2.3..."
expect "█"
keys C-c
ended_with 130
[ "$(head -c 3 "$work/long/00000.mp3")" != ID3 ] || fail "Ctrl+C did not stop the walk"
! ls "$work/long" | grep -q '^LV3' || fail "a temporary file stayed"
echo "ok: Ctrl+C stops a running walk and ends the program by the interrupt"

# Rename from tags in the smallest terminal, with the keyboard alone: load a
# list file, open the dialog from the menu, compose artist - title, rename
# every entry, and see the new names in the list and on disk.
rename_from_tags() {
    mkdir -p "$work/ren"
    "$make_fixtures" "$work/ren"
    python3 -c 'import sys; open(sys.argv[1], "wb").write(b"".join(p.encode().ljust(260, b"\0") for p in sys.argv[2:]))' \
        "$work/both.lv3" "$work/ren/uno.mp3" "$work/ren/zeta.mp3"
    start 80 43
    keys F10
    keys Enter
    expect "Load Filelist..."
    keys -l "both.lv3"
    keys Enter
    expect "$work/ren/zeta.mp3"
    keys F10
    keys Down Down Enter
    expect "Renombrar desde TAG's"
    expect "Mover Arriba"
    # Tab stops: the pattern, the text field, the field names; F2 reaches the buttons.
    keys Tab Tab
    keys Home Down
    keys F2 F2 F2
    keys Space
    expect "*V1Artist"
    keys Tab Tab
    keys -l " - "
    keys F2
    keys Space
    keys Tab
    keys Down Down Down
    keys F2 F2 F2
    keys Space
    expect "*V1Title"
    keys F2 F2 F2 F2
    keys Space
    expect "●Todo"
    keys S-F2 S-F2 S-F2
    keys Space
    expect "$work/ren/Artista Uno - Canción Uno.mp3"
    expect "$work/ren/Otro - Segunda.mp3"
    [ -f "$work/ren/Artista Uno - Canción Uno.mp3" ] && [ -f "$work/ren/Otro - Segunda.mp3" ] \
        || fail "the files were not renamed on disk"
    [ ! -e "$work/ren/uno.mp3" ] || fail "the old name is still there"
    keys Escape
    expect_not "Renombrar desde TAG's"
    stop
}
rename_from_tags
echo "ok: rename from tags in 80x43 with the keyboard alone"

# A file another tagger left as ID3v2.4: shown without a box, its title
# written, the tag still ID3v2.4 for mutagen.
tag_version() { head -c 4 "$1" | tail -c 1 | od -An -tu1 | tr -d ' '; }
mkdir -p "$work/v24"
cp "$work/music/uno.mp3" "$work/v24/cuatro.mp3"
/usr/bin/python3 -c 'import sys, mutagen.id3 as i; t = i.ID3(sys.argv[1]); t.delall("TIT2"); t.add(i.TIT2(encoding=3, text=["Cuarto Título"])); t.save(sys.argv[1], v2_version=4)' \
    "$work/v24/cuatro.mp3"
[ "$(tag_version "$work/v24/cuatro.mp3")" = 4 ] || fail "mutagen did not write ID3v2.4"
start
add_folder v24
expect "$work/v24/cuatro.mp3"
click_on "v24/cuatro.mp3"
click_on "ID3v2.3 Tags"
expect "Cuarto Título"
expect_not "is not supported"
retype "Cuarto Título" "Quinto"
click_on "Aplicar ID3v2.3"
expect_not "Progreso del archivo..."
expect "Quinto"
[ "$(tag_version "$work/v24/cuatro.mp3")" = 4 ] || fail "the written tag is no longer ID3v2.4"
/usr/bin/python3 -c "import sys, mutagen.id3 as i; sys.exit(i.ID3(sys.argv[1])['TIT2'].text[0] != 'Quinto')" \
    "$work/v24/cuatro.mp3" || fail "mutagen does not read the new title"
stop
echo "ok: an ID3v2.4 file is shown and written and stays ID3v2.4"
