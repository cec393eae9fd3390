#!/usr/bin/env bash
# The password dialog in front of a pass over encrypted members: an empty OK
# keeps it open, the right password unzips, a second Unzip asks again when
# the last member read was encrypted and Cancel returns to the idle dialog;
# a wrong password and an image that does not say it is encrypted end the
# pass with their messages.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
source "$(dirname "$0")/password_lib.sh"
sfx_test_init

src=$TEST_TMP/src
mkdir -p "$src/sub" && echo "alpha" > "$src/a.txt"
for i in $(seq 300); do echo "line $i of a text that deflates well"; done > "$src/sub/b.txt"
make_zip "$TEST_TMP/plain.zip" "$src"
reference_tree "$TEST_TMP/plain.zip" "$TEST_TMP/reference"
zip_encrypted "$TEST_TMP/secret.zip" "$src" secret wrong

out=$TEST_TMP/out
outw=$(winpath "$out")
make_image "$TEST_TMP/secret.exe" "$TEST_TMP/secret.zip" --folder "$outw"
shown=(caption="Tarvex Self-Extractor - secret.exe" intro="$(intro_for secret.exe)" folder="$outw")

# Members: a.txt, sub/, sub/b.txt; the last one read is encrypted.
drive "$TEST_TMP/secret.exe" <<'STEPS'
timeout 60000
wait "Tarvex Self-Extractor - secret.exe"
click Unzip
wait "Tarvex Self-Extractor - Password"
dump
click OK
sleep 1500
gettext 402
settext 402 secret
click OK
answer OK
expectgone "Tarvex Self-Extractor - Password"
wait "Tarvex Self-Extractor - secret.exe"
click Unzip
wait "Tarvex Self-Extractor - Password"
click Cancel
expectgone "Tarvex Self-Extractor - Password"
wait "Tarvex Self-Extractor - secret.exe"
dump
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - secret.exe
window: Tarvex Self-Extractor - Password
window: Tarvex Self-Extractor - Password [#32770]
  401 Static "This self-extracting Zip file is password protected.\n\nPlease type the &password:" visible enabled
  402 Edit "" visible enabled
  1 Button "OK" visible enabled
  2 Button "Cancel" visible enabled
text 402: 
box: Tarvex Self-Extractor | 2 file(s) unzipped successfully
window: Tarvex Self-Extractor - secret.exe
window: Tarvex Self-Extractor - Password
window: Tarvex Self-Extractor - secret.exe
$(main_dialog_dump "${shown[@]}")
exit: 0
OUT
expect_same_tree "$TEST_TMP/reference" "$out"

# A wrong password ends the pass at the first member, before its file.
rm -rf "$out"
drive "$TEST_TMP/secret.exe" <<'STEPS'
timeout 60000
wait "Tarvex Self-Extractor - secret.exe"
click Unzip
wait "Tarvex Self-Extractor - Password"
settext 402 wrong
click OK
answer OK
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - secret.exe
window: Tarvex Self-Extractor - Password
box: Tarvex Self-Extractor | Incorrect password specified
exit: 1
OUT
[ ! -e "$out/a.txt" ] || fail "a.txt was written with a wrong password"

# An image without the Encrypted flag shows no password dialog; its first
# encrypted member ends the pass.
make_image "$TEST_TMP/unflagged.exe" "$TEST_TMP/secret.zip" --folder "$outw" --no-stub-crc
clear_encrypted_flag "$TEST_TMP/unflagged.exe"
drive "$TEST_TMP/unflagged.exe" <<'STEPS'
timeout 60000
wait "Tarvex Self-Extractor - unflagged.exe"
click Unzip
answer OK
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - unflagged.exe
box: Tarvex Self-Extractor | No password specified
exit: 1
OUT
[ ! -e "$out/a.txt" ] || fail "a.txt was written without a password"
pass
