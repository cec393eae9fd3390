#!/usr/bin/env bash
# Unzip from the main dialog: the files as unzip makes them, the result in a
# box and in the status line, Close as the new default button; the overwrite
# question answered Yes, No and Cancel.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init

src=$TEST_TMP/src
mkdir -p "$src/sub/deeper" && echo "alpha" > "$src/a.txt" && : > "$src/empty.txt"
random_file "$src/sub/b.bin" 5000
echo "gamma" > "$src/sub/deeper/c.txt"
for i in $(seq 300); do echo "line $i of a text that deflates well"; done > "$src/text.txt"
touch -d '2001-02-03 04:05:06' "$src/a.txt"
unzip_image files

drive "$TEST_TMP/files.exe" <<'STEPS'
wait "Tarvex Self-Extractor - files.exe"
click Unzip
answer OK
gettext 109
postkey 106 RETURN
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - files.exe
box: Tarvex Self-Extractor | 5 file(s) unzipped successfully
text 109: 5 file(s) unzipped successfully
exit: 0
OUT
expect_same_tree "$TEST_TMP/reference" "$out"

# Members in order: a.txt, empty.txt, sub/b.bin, sub/deeper/c.txt, text.txt.
# Yes rewrites, No keeps the file as it is; three files count as unzipped.
for file in a.txt empty.txt sub/b.bin sub/deeper/c.txt text.txt; do echo "changed" > "$out/$file"; done
drive "$TEST_TMP/files.exe" <<'STEPS'
wait "Tarvex Self-Extractor - files.exe"
click Unzip
answer Yes
answer No
answer No
answer Yes
answer Yes
answer OK
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - files.exe
box: Tarvex Self-Extractor | File $outw\\a.txt already exists.  Overwrite file?
box: Tarvex Self-Extractor | File $outw\\empty.txt already exists.  Overwrite file?
box: Tarvex Self-Extractor | File $outw\\sub\\b.bin already exists.  Overwrite file?
box: Tarvex Self-Extractor | File $outw\\sub\\deeper\\c.txt already exists.  Overwrite file?
box: Tarvex Self-Extractor | File $outw\\text.txt already exists.  Overwrite file?
box: Tarvex Self-Extractor | 3 file(s) unzipped successfully
exit: 0
OUT
for file in a.txt sub/deeper/c.txt text.txt; do
    cmp -s "$TEST_TMP/reference/$file" "$out/$file" || fail "$file was not rewritten"
done
for file in empty.txt sub/b.bin; do
    [ "$(cat "$out/$file")" = changed ] || fail "$file was rewritten after No"
done

# Cancel ends the pass and the dialog: nothing after it is touched.
for file in a.txt text.txt; do echo "changed" > "$out/$file"; done
drive "$TEST_TMP/files.exe" <<'STEPS'
wait "Tarvex Self-Extractor - files.exe"
click Unzip
answer Yes
answer Cancel
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - files.exe
box: Tarvex Self-Extractor | File $outw\\a.txt already exists.  Overwrite file?
box: Tarvex Self-Extractor | File $outw\\empty.txt already exists.  Overwrite file?
exit: 2
OUT
cmp -s "$TEST_TMP/reference/a.txt" "$out/a.txt" || fail "a.txt was not rewritten before Cancel"
[ "$(cat "$out/text.txt")" = changed ] || fail "text.txt was touched after Cancel"
pass
