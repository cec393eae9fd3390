#!/usr/bin/env bash
# Auto mode, from the image's flag or from "-auto FOLDER": Unzip starts by
# itself, no success box, the dialog closes and the program exits with 0.
# "-noauto" keeps the dialog (closed without unzipping: exit code 2). A folder whose name merely contains "-info" is
# unzipped into like any other. A folder with a character
# whose bytes in the ANSI code page hold a backslash is unzipped into too.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init

src=$TEST_TMP/src
mkdir -p "$src/docs" && echo "alpha" > "$src/docs/a.txt"
random_file "$src/b.bin" 70000
make_zip "$TEST_TMP/files.zip" "$src"
reference_tree "$TEST_TMP/files.zip" "$TEST_TMP/reference"

flagged=$TEST_TMP/flagged
make_image "$TEST_TMP/auto.exe" "$TEST_TMP/files.zip" --auto --folder "$(winpath "$flagged")"
make_image "$TEST_TMP/plain.exe" "$TEST_TMP/files.zip" --folder "$(winpath "$TEST_TMP/unused")"

# image | arguments | folder that receives the files
for case in "auto.exe||$flagged" "plain.exe|-auto|$TEST_TMP/given folder" "plain.exe|-auto|$TEST_TMP/my-information"; do
    IFS='|' read -r image option folder <<< "$case"
    run_unattended "$TEST_TMP/$image" ${option:+"$option" "$(winpath "$folder")"}
    expect_same_tree "$TEST_TMP/reference" "$folder"
done
[ ! -e "$TEST_TMP/unused" ] || fail "-auto FOLDER unzipped into the image's folder"

# -noauto: the dialog waits for the user.
rm -rf "$flagged"
drive "$TEST_TMP/auto.exe" -noauto <<'STEPS'
wait "Tarvex Self-Extractor - auto.exe"
sleep 1000
gettext 109
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<'OUT'
window: Tarvex Self-Extractor - auto.exe
text 109: 
exit: 2
OUT
[ ! -e "$flagged" ] || fail "-noauto unzipped"

# Under code page 932 (Wine takes it from the locale) the folder's 表, 95 5C
# there, whose trail byte an ANSI call reads as a backslash, is taken as it
# is: the folder is wide from the TextBlock to the file calls.
# Wine writes the name to the Unix side in the locale's character set, so the
# locale must exist (made here with localedef, as it may not be installed).
command -v localedef >/dev/null || skip "localedef is not installed"
mkdir -p "$TEST_TMP/locales" && localedef -i ja_JP -f UTF-8 "$TEST_TMP/locales/ja_JP.UTF-8" >/dev/null 2>&1
[ -f "$TEST_TMP/locales/ja_JP.UTF-8/LC_CTYPE" ] || fail "localedef failed"
make_image "$TEST_TMP/dbcs.exe" "$TEST_TMP/files.zip" --auto --folder "$(winpath "$TEST_TMP/表")"
export LOCPATH=$TEST_TMP/locales LC_ALL=ja_JP.UTF-8
run_unattended "$TEST_TMP/dbcs.exe"
unset LOCPATH LC_ALL
expect_same_tree "$TEST_TMP/reference" "$TEST_TMP/表"
pass
