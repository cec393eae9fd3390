#!/usr/bin/env bash
# Texts beyond the ANSI code page, on a prefix whose ANSI code page is 1252:
# mksfx takes them as UTF-8 and the stub shows exactly those characters. The
# start-up prompt and its caption, the dialog's title and folder box, the
# folder made in auto mode (from the image and from -auto on the command
# line), the info box, the overwrite question about a Cyrillic member, and
# an image named in Cyrillic (its title, introduction and Help box), all read
# back through the wide calls.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v python3 >/dev/null || skip "python3 is not installed"
export LC_ALL=C.UTF-8   # Wine's ANSI code page 1252

python3 - "$TEST_TMP/files.zip" <<'PY' || fail "cannot write the archive"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as archive:
    archive.writestr('Привет.txt', 'new')   # the zipfile module sets bit 11
PY

dest=$TEST_TMP/Папка/日本
make_image "$TEST_TMP/texts.exe" "$TEST_TMP/files.zip" --auto --title "Démo 日本" --title-in-window \
    --folder "$(winpath "$dest")" --prompt "Продолжить? 日本" --info "Сведения: Démo 日本"

# Auto mode makes the folder, with exactly its name (-y: a run that Wine
# fails under and makes again finds the file there).
drive "$TEST_TMP/texts.exe" -y <<'STEPS'
answer OK
waitexit 120000
STEPS
expect_exit 0
expect_transcript <<'OUT'
box: Démo 日本 | Продолжить? 日本
exit: 0
OUT
[ "$(cat "$dest/Привет.txt" 2>/dev/null)" = new ] || { ls -R "$TEST_TMP"; fail "nothing unzipped into $dest"; }

# Again, over the file: the overwrite question names it, under the title.
echo old > "$dest/Привет.txt"
drive "$TEST_TMP/texts.exe" <<'STEPS'
answer OK
wait "Démo 日本"
gettext 106
answer Yes
waitexit 120000
STEPS
expect_exit 0
expect_transcript <<OUT
box: Démo 日本 | Продолжить? 日本
window: Démo 日本
text 106: $(winpath "$dest")
box: Tarvex Self-Extractor | File $(winpath "$dest")\\Привет.txt already exists.  Overwrite file?
exit: 0
OUT
[ "$(cat "$dest/Привет.txt")" = new ] || fail "the file was not overwritten"

drive "$TEST_TMP/texts.exe" -info <<'STEPS'
answer OK
waitexit
STEPS
expect_exit 0
expect_transcript <<'OUT'
box: Tarvex Self-Extractor | Сведения: Démo 日本
exit: 0
OUT

# A folder after AUTO, from the wide command line, %VAR% expanded.
make_image "$TEST_TMP/plain.exe" "$TEST_TMP/files.zip"
DRIVE_ENV=(--set "ZIEL=$(winpath "$TEST_TMP/Другая папка")")
run_unattended "$TEST_TMP/plain.exe" -auto "%ZIEL%\\日本"
[ "$(cat "$TEST_TMP/Другая папка/日本/Привет.txt" 2>/dev/null)" = new ] || { ls -R "$TEST_TMP"; fail "-auto FOLDER"; }

# An image whose own file name is beyond the ANSI code page opens itself
# through its wide path, checks itself and unzips.
cp "$TEST_TMP/plain.exe" "$TEST_TMP/установка.exe"
run_unattended "$TEST_TMP/установка.exe" -auto "$(winpath "$TEST_TMP/из установки")"
[ "$(cat "$TEST_TMP/из установки/Привет.txt" 2>/dev/null)" = new ] || { ls -R "$TEST_TMP"; fail "установка.exe"; }

# Its dialog names it in the title, the introduction and the Help box.
drive "$TEST_TMP/установка.exe" <<'STEPS'
wait "Tarvex Self-Extractor - установка.exe"
gettext 101
click Help
answer OK
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<'OUT'
window: Tarvex Self-Extractor - установка.exe
text 101: To unzip all files in установка.exe to the specified folder press the Unzip button.
box: Tarvex Self-Extractor | To unzip all files in установка.exe press the "Unzip" button. Files will be unzipped to the folder specified in the "Unzip To Folder" field. This folder will be created if it does not exist.\n\nYou can also unzip this file with a standard zip utility like Tarvex or PKUNZIP.
exit: 2
OUT
pass
