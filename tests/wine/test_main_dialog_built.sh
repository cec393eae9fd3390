#!/usr/bin/env bash
# The main dialog as initialisation builds it: caption, introduction with or
# without the file name, title from the text block, folder and overwrite
# check box from the image, Help and About texts, and the empty-folder
# refusal after which Enter means Close.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init

mkdir -p "$TEST_TMP/src/sub" && echo "alpha" > "$TEST_TMP/src/a.txt" && echo "beta" > "$TEST_TMP/src/sub/b.txt"
make_zip "$TEST_TMP/small.zip" "$TEST_TMP/src"

# 24 characters: the name is spelled out. The folder and the overwrite box
# come from the image. An emptied folder is refused, Unzip stays usable, and
# Close has become the default button.
name=abcdefghijklmnopqrst.exe
make_image "$TEST_TMP/$name" "$TEST_TMP/small.zip" --folder 'C:\Data\Out' --overwrite
drive "$TEST_TMP/$name" <<'STEPS'
wait "Tarvex Self-Extractor*"
dump
click About
answer OK
settext 106 ""
click Unzip
answer OK
dump
postkey 106 RETURN
waitexit
STEPS
expect_exit 0
shown=(caption="Tarvex Self-Extractor - $name" intro="$(intro_for $name)" overwrite=checked)
expect_transcript <<OUT
window: Tarvex Self-Extractor - $name
$(main_dialog_dump "${shown[@]}" folder='C:\Data\Out')
box: Tarvex Self-Extractor | This self-extracting Zip file was created by\nTarvex Self-Extractor\n\nIt turns an ordinary Zip file into a program that unzips itself, with no archiver needed to open it.
box: Tarvex Self-Extractor | No folder specified.
$(main_dialog_dump "${shown[@]}" folder=)
exit: 1
OUT

# 25 characters: the introduction says "this self-extractor file", while
# the caption and Help keep the whole name. Folder "." is the image's own
# folder; the overwrite box starts clear.
name=abcdefghijklmnopqrstu.exe
make_image "$TEST_TMP/$name" "$TEST_TMP/small.zip" --folder .
drive "$TEST_TMP/$name" <<'STEPS'
wait "Tarvex Self-Extractor*"
dump
click Help
answer OK
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - $name
$(main_dialog_dump caption="Tarvex Self-Extractor - $name" intro="$(intro_for 'this self-extractor file')" \
    folder="$(winpath "$TEST_TMP")")
box: Tarvex Self-Extractor | To unzip all files in $name press the "Unzip" button. Files will be unzipped to the folder specified in the "Unzip To Folder" field. This folder will be created if it does not exist.\n\nYou can also unzip this file with a standard zip utility like Tarvex or PKUNZIP.
exit: 2
OUT

# The title from the text block replaces the caption; without one the
# caption is "Setup".
make_image "$TEST_TMP/titled.exe" "$TEST_TMP/small.zip" --title-in-window --title "Setup Wizard"
make_image "$TEST_TMP/untitled.exe" "$TEST_TMP/small.zip" --title-in-window
for case in "titled.exe|Setup Wizard" "untitled.exe|Setup"; do
    image=${case%%|*} caption=${case#*|}
    drive "$TEST_TMP/$image" <<STEPS
wait "$caption"
click Close
waitexit
STEPS
    expect_exit 0
    expect_transcript <<OUT
window: $caption
exit: 2
OUT
done
pass
