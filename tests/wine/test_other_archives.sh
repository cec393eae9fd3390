#!/usr/bin/env bash
# Input through libarchive, end to end: an image made from a .7z and one made
# from a ZIP of bzip2 members, each extracted by the stub under Wine in auto
# mode, give the source tree (names, bytes, empty folder and times).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v 7z >/dev/null || skip "7z is not installed"
command -v zip >/dev/null || skip "zip is not installed"

src=$TEST_TMP/src
mkdir -p "$src/docs/deep" "$src/empty" || fail "cannot make the source folders"
seq 1 20000 > "$src/numbers.txt"
random_file "$src/docs/noise.bin" 30000
echo "nested" > "$src/docs/deep/note.txt"
touch -d '2021-03-04 05:06:08' "$src/numbers.txt" "$src/docs/noise.bin" "$src/docs/deep/note.txt"

(cd "$src" && 7z a -bd "$TEST_TMP/in.7z" . >/dev/null) || fail "7z failed"
(cd "$src" && zip -qr -Z bzip2 "$TEST_TMP/in.zip" .) || fail "zip failed"
for input in in.7z in.zip; do
    out=$TEST_TMP/out-$input
    make_image "$TEST_TMP/$input.exe" "$TEST_TMP/$input" --auto --folder "$(winpath "$out")"
    run_unattended "$TEST_TMP/$input.exe"
    expect_same_tree "$src" "$out"
done
pass
