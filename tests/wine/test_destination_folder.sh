#!/usr/bin/env bash
# The destination folder offered when the image names none: TMP, else TEMP,
# else the TEMP folder of the Windows folder, in the program's environment;
# the shell's folder browser behind Browse, and no Browse where it cannot
# work.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init

mkdir -p "$TEST_TMP/src" && echo "alpha" > "$TEST_TMP/src/a.txt"
make_zip "$TEST_TMP/files.zip" "$TEST_TMP/src"
make_image "$TEST_TMP/files.exe" "$TEST_TMP/files.zip"

# default_folder_shown EXPECTED: edit 106 as the dialog comes up, with the
# environment in DRIVE_ENV.
default_folder_shown() {
    drive "$TEST_TMP/files.exe" <<'STEPS'
timeout 60000
wait "Tarvex Self-Extractor - files.exe"
gettext 106
click Close
waitexit
STEPS
    expect_exit 0
    expect_transcript <<OUT
window: Tarvex Self-Extractor - files.exe
text 106: $1
exit: 2
OUT
}

# TMP is taken as it stands, without looking at the disk, less its final
# backslash.
DRIVE_ENV=(--set 'TMP=C:\nowhere\' --set 'TEMP=C:\other')
default_folder_shown 'C:\nowhere'
# An empty TMP falls through to TEMP.
DRIVE_ENV=(--set 'TMP=' --set 'TEMP=C:\other\')
default_folder_shown 'C:\other'
# Neither: the Windows folder's TEMP.
DRIVE_ENV=(--unset TMP --unset TEMP)
default_folder_shown 'C:\windows\TEMP'
DRIVE_ENV=()

# Browse opens the shell's browser with our title; Cancel leaves the folder
# as it was, a chosen folder replaces it.
drive "$TEST_TMP/files.exe" <<'STEPS'
timeout 60000
wait "Tarvex Self-Extractor - files.exe"
settext 106 "C:\\before"
click 115
wait "Browse for Folder"
dump
click Cancel
expectgone "Browse for Folder"
wait "Tarvex Self-Extractor - files.exe"
gettext 106
click 115
wait "Browse for Folder"
postkey 14145 DOWN
click OK
expectgone "Browse for Folder"
wait "Tarvex Self-Extractor - files.exe"
gettext 106
click Close
waitexit
STEPS
expect_exit 0
expect_line '^  [0-9]+ Static "Unzip to Folder:" visible enabled$'
expect_line '^text 106: C:\\before$'
expect_line '^text 106: C:\\users\\[^\\]+\\Desktop$'
expect_line '^exit: 2$'

# Browse is removed without the shell library (so without any of its three
# functions) and on Windows NT before 4. Per-program settings of the prefix
# make both, for copies of the image under names of their own.
cat > "$TEST_TMP/nobrowse.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\noshell.exe\DllOverrides]
"shell32"=""

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\nt351.exe]
"Version"="nt351"
REG
"$WINE_RUN" reg import "$(winpath "$TEST_TMP/nobrowse.reg")" >"$TEST_TMP/reg.log" 2>&1 ||
    { cat "$TEST_TMP/reg.log"; fail "cannot set the per-program settings"; }
for name in noshell nt351; do
    cp "$TEST_TMP/files.exe" "$TEST_TMP/$name.exe"
    drive "$TEST_TMP/$name.exe" <<STEPS
timeout 60000
wait "Tarvex Self-Extractor - $name.exe"
dump
click Close
waitexit
STEPS
    expect_exit 0
    expect_line '^  106 Edit '
    expect_line '^exit: 2$'
    ! grep -q '^  115 ' "$TEST_TMP/transcript" || { show_run; fail "$name.exe kept Browse"; }
done
pass
