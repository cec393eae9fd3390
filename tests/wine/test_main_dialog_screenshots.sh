#!/usr/bin/env bash
# Screenshots of the main dialog (Wine draws its windows, frame and caption
# included, straight onto the X root window), before and during a pass over
# a large archive. The
# pictures must show the dialog, and the one taken during the pass must show
# the meter where the idle dialog has none. TARVEX_SCREENSHOT_DIR, when set,
# keeps the two PNGs.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v import >/dev/null && command -v compare >/dev/null || skip "ImageMagick is not installed"

src=$TEST_TMP/src
random_file "$src/setup-data.bin" 8000000
echo "read me" > "$src/readme.txt"
make_zip "$TEST_TMP/large.zip" "$src"
make_image "$TEST_TMP/setup.exe" "$TEST_TMP/large.zip" --folder 'C:\Program Files\Tarvex Demo'

# The driver marks the moments to shoot in its transcript: its first line
# once the dialog is up, "text 1: ..." once Unzip was clicked. The idle
# picture shows the image's own folder; the pass goes to the test's.
export WINE_RUN_DISPLAY_FILE=$TEST_TMP/display
drive_in_background "$TEST_TMP/setup.exe" <<STEPS
wait "Tarvex Self-Extractor - setup.exe"
sleep 6000
settext 106 "$(winpath "$TEST_TMP/out" | sed 's/\\/\\\\/g')"
click Unzip
gettext 1
sleep 6000
answer OK 300000
click Close
waitexit
STEPS

shoot '^window: ' idle.png
shoot '^text 1: ' during.png
wait_for_drive
expect_exit 0
expect_transcript <<'OUT'
window: Tarvex Self-Extractor - setup.exe
text 1: &Unzip
box: Tarvex Self-Extractor | 2 file(s) unzipped successfully
exit: 0
OUT
cmp -s "$src/readme.txt" "$TEST_TMP/out/readme.txt" || fail "the pass did not unzip into the folder typed in"

# The idle dialog covers some 350 x 195 pixels of the black screen; the meter
# (some 325 x 19 pixels, painted all over) is what changes most during the
# pass: the disabled Unzip button alone changes a few dozen.
lit_pixels() {
    convert "$TEST_TMP/$1" -fill white +opaque black -fill black -opaque black -format '%[fx:round(mean*w*h)]' info:
}
changed_pixels() {
    compare -metric AE "$TEST_TMP/idle.png" "$TEST_TMP/during.png" null: 2>&1
}
lit=$(lit_pixels idle.png)
[ "$lit" -gt 40000 ] || fail "no dialog in the picture before the pass ($lit pixels lit)"
changed=$(changed_pixels)
[ "$changed" -gt 3000 ] || fail "no meter in the picture during the pass ($changed pixels changed)"
if [ -n "${TARVEX_SCREENSHOT_DIR:-}" ]; then
    mkdir -p "$TARVEX_SCREENSHOT_DIR" && cp "$TEST_TMP/idle.png" "$TEST_TMP/during.png" "$TARVEX_SCREENSHOT_DIR/"
fi
pass
