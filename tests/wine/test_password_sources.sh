#!/usr/bin/env bash
# Passwords for archives from other makers: 7-Zip's ZipCrypto, mksfx's own
# encryption with a password of 254 characters (the dialog takes the first
# 254 of what is typed), and an archive whose last member is not encrypted,
# after which a second Unzip runs without asking and uses the password given
# before.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v 7z >/dev/null || skip "7z is not installed"

src=$TEST_TMP/src
mkdir -p "$src/sub" && echo "alpha" > "$src/a.txt"
for i in $(seq 300); do echo "line $i of a text that deflates well"; done > "$src/sub/b.txt"
# An even second: zip and mksfx round odd ones to the 2-second steps differently.
touch -d '2001-02-03 04:05:06' "$src/a.txt" "$src/sub/b.txt"
make_zip "$TEST_TMP/plain.zip" "$src"
reference_tree "$TEST_TMP/plain.zip" "$TEST_TMP/reference"
out=$TEST_TMP/out
outw=$(winpath "$out")

# unzip_with_password IMAGE TYPED: one Unzip with TYPED in the password
# dialog, expected to unzip 2 files into $out as unzip does.
unzip_with_password() {
    local name
    name=$(basename "$1")
    rm -rf "$out"
    drive "$1" <<STEPS
timeout 60000
wait "Tarvex Self-Extractor - $name"
click Unzip
wait "Tarvex Self-Extractor - Password"
settext 402 "$2"
click OK
answer OK
wait "Tarvex Self-Extractor - $name"
click Close
waitexit
STEPS
    expect_exit 0
    expect_transcript <<OUT
window: Tarvex Self-Extractor - $name
window: Tarvex Self-Extractor - Password
box: Tarvex Self-Extractor | 2 file(s) unzipped successfully
window: Tarvex Self-Extractor - $name
exit: 0
OUT
    expect_same_tree "$TEST_TMP/reference" "$out"
}

(cd "$src" && 7z a -tzip -mem=ZipCrypto -psecret "$TEST_TMP/seven.zip" a.txt sub >/dev/null) || fail "7z failed"
make_image "$TEST_TMP/seven.exe" "$TEST_TMP/seven.zip" --folder "$outw"
unzip_with_password "$TEST_TMP/seven.exe" secret

long=$(printf 'abcdefghijklmnopqrstuvwxyz0123456789%.0s' $(seq 8) | head -c 254)
make_image "$TEST_TMP/long.exe" "$src" --folder "$outw" --password "$long"
unzip_with_password "$TEST_TMP/long.exe" "${long}ZYXWVUTSRQPONMLKJIHGFEDCBA9876543210zyxwvutsrq"

# Encrypted a.txt first, plain z.txt last: the second pass is not asked for a
# password and still opens a.txt with the one given to the first.
echo "omega" > "$TEST_TMP/z.txt"
(cd "$src" && zip -q -X -P secret "$TEST_TMP/mixed.zip" a.txt) || fail "zip -P failed"
(cd "$TEST_TMP" && zip -q -X mixed.zip z.txt) || fail "zip failed"
make_image "$TEST_TMP/mixed.exe" "$TEST_TMP/mixed.zip" --folder "$outw" --overwrite
rm -rf "$out"
drive "$TEST_TMP/mixed.exe" <<'STEPS'
timeout 60000
wait "Tarvex Self-Extractor - mixed.exe"
click Unzip
wait "Tarvex Self-Extractor - Password"
settext 402 secret
click OK
answer OK
expectgone "Tarvex Self-Extractor - Password"
wait "Tarvex Self-Extractor - mixed.exe"
click Unzip
answer OK
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<'OUT'
window: Tarvex Self-Extractor - mixed.exe
window: Tarvex Self-Extractor - Password
box: Tarvex Self-Extractor | 2 file(s) unzipped successfully
window: Tarvex Self-Extractor - mixed.exe
box: Tarvex Self-Extractor | 2 file(s) unzipped successfully
exit: 0
OUT
cmp -s "$src/a.txt" "$out/a.txt" && cmp -s "$TEST_TMP/z.txt" "$out/z.txt" || fail "mixed archive unzipped wrongly"
pass
