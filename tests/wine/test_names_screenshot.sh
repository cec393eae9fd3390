#!/usr/bin/env bash
# An archive made by an MS-DOS tool, its names in code page 866 and nothing in
# it saying so, built with --name-codepage 866 and run on a prefix whose ANSI
# code page is 1252: the overwrite question names the Cyrillic file as it is.
# The picture of that question must show the box over the dialog;
# TARVEX_SCREENSHOT_DIR, when set, keeps it (docs/overwrite-question.png).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v import >/dev/null && command -v convert >/dev/null || skip "ImageMagick is not installed"
command -v python3 >/dev/null || skip "python3 is not installed"
export LC_ALL=C.UTF-8   # Wine's ANSI code page 1252

# The names go in as ASCII of the same length and are then replaced by their
# code page 866 bytes: no flag, no Unicode Path field, maker MS-DOS.
python3 - "$TEST_TMP/cp866.zip" <<'PY' || fail "cannot write the archive"
import io, sys, zipfile
data = io.BytesIO()
with zipfile.ZipFile(data, 'w') as archive:
    for name, text in (('XXXXXX.txt', 'new'), ('XXXXXXXXXXX.txt', 'readme')):
        info = zipfile.ZipInfo(name, (2026, 12, 11, 10, 0, 0))
        info.create_system = 0
        archive.writestr(info, text)
image = data.getvalue()
image = image.replace(b'XXXXXXXXXXX', 'Прочти меня'.encode('cp866'))
image = image.replace(b'XXXXXX', 'Привет'.encode('cp866'))
open(sys.argv[1], 'wb').write(image)
PY

# A short destination on the prefix's own drive, so that the question reads
# as a user would see it. The test makes it and removes it at its end.
prefix=${WINE_RUN_PREFIX:-$REPO/build/wineprefix}
dest="$prefix/drive_c/Демо"
[ ! -e "$dest" ] || fail "$dest is there already (left by an earlier run?): remove it"
trap 'rm -rf "$TEST_TMP" "$dest"' EXIT
make_image "$TEST_TMP/names.exe" "$TEST_TMP/cp866.zip" --name-codepage 866 --folder "C:\\Демо"
run_unattended "$TEST_TMP/names.exe" -auto
[ "$(cat "$dest/Привет.txt" 2>/dev/null)" = new ] || { ls -R "$dest"; fail "the cp866 name was not unzipped as Привет.txt"; }

export WINE_RUN_DISPLAY_FILE=$TEST_TMP/display
drive_in_background "$TEST_TMP/names.exe" <<'STEPS'
wait "Tarvex Self-Extractor - names.exe"
click Unzip
waitbox No 120000
sleep 4000
answer No
answer No
answer OK 120000
click Close
waitexit
STEPS
shoot '^box up: ' screen.png
wait_for_drive
expect_exit 0
expect_line '^box up: Tarvex Self-Extractor \| File C:\\Демо\\Привет\.txt already exists\.  Overwrite file\?$'
expect_line '^exit: 0$'

# The picture cut to what is drawn on the black screen: the dialog with the
# box over it, wider and taller than the dialog alone (351 x 196).
convert "$TEST_TMP/screen.png" -trim +repage "$TEST_TMP/overwrite-question.png" || fail "convert failed"
size=$(identify -format '%w %h' "$TEST_TMP/overwrite-question.png")
read -r width height <<< "$size"
[ "$width" -gt 300 ] && [ "$height" -gt 150 ] || fail "no dialog and box in the picture ($size)"
if [ -n "${TARVEX_SCREENSHOT_DIR:-}" ]; then
    mkdir -p "$TARVEX_SCREENSHOT_DIR" && cp "$TEST_TMP/overwrite-question.png" "$TARVEX_SCREENSHOT_DIR/"
fi
pass
