#!/usr/bin/env bash
# An Unzip command posted to the dialog while an Unzip is under way is
# refused, not only during the pass (test_main_dialog_abort) but also while
# the password dialog and the success box are up: no second password dialog,
# no second pass.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
source "$(dirname "$0")/password_lib.sh"
sfx_test_init

src=$TEST_TMP/src
mkdir -p "$src" && echo "alpha" > "$src/a.txt" && echo "beta" > "$src/b.txt"
make_zip "$TEST_TMP/plain.zip" "$src"
reference_tree "$TEST_TMP/plain.zip" "$TEST_TMP/reference"
zip_encrypted "$TEST_TMP/secret.zip" "$src" secret wrong
out=$TEST_TMP/out
make_image "$TEST_TMP/secret.exe" "$TEST_TMP/secret.zip" --folder "$(winpath "$out")"

# Each posted Unzip goes to the main dialog (the last window waited for)
# while a modal window of the command is up. Once the password dialog has
# gone it must stay gone, and Close must end the program at once.
drive "$TEST_TMP/secret.exe" <<'STEPS'
timeout 30000
wait "Tarvex Self-Extractor - secret.exe"
click Unzip
wait "Tarvex Self-Extractor - Password"
wait "Tarvex Self-Extractor - secret.exe"
postcommand 1
sleep 1000
wait "Tarvex Self-Extractor - Password"
settext 402 secret
click OK
expectgone "Tarvex Self-Extractor - Password"
waitbox OK
wait "Tarvex Self-Extractor - secret.exe"
postcommand 1
sleep 1000
answer OK
sleep 1000
expectgone "Tarvex Self-Extractor - Password"
wait "Tarvex Self-Extractor - secret.exe"
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<'OUT'
window: Tarvex Self-Extractor - secret.exe
window: Tarvex Self-Extractor - Password
window: Tarvex Self-Extractor - secret.exe
window: Tarvex Self-Extractor - Password
box up: Tarvex Self-Extractor | 2 file(s) unzipped successfully
window: Tarvex Self-Extractor - secret.exe
box: Tarvex Self-Extractor | 2 file(s) unzipped successfully
window: Tarvex Self-Extractor - secret.exe
exit: 0
OUT
expect_same_tree "$TEST_TMP/reference" "$out"
pass
