#!/usr/bin/env bash
# A key press well inside a long stored member, not one queued before the
# pass: "Abort unzip operation?" comes up while the member is being copied,
# and Yes leaves the member as far as its 2,048-byte pieces were written and
# nothing of the next member.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init

# 200 MB stored (zip -0): the copy still runs a good while after the key
# comes, on a fast machine too.
src=$TEST_TMP/src
mkdir -p "$src" && head -c 200000000 /dev/zero > "$src/1-stored.bin" || fail "cannot write the member"
echo "after the stored one" > "$src/2-small.txt"
(cd "$src" && zip -q -0 -X "$TEST_TMP/stored.zip" 1-stored.bin 2-small.txt) || fail "zip failed"
out=$TEST_TMP/out
make_image "$TEST_TMP/stored.exe" "$TEST_TMP/stored.zip" --folder "$(winpath "$out")"

# The key comes once the member's file exists and the copy has run a while.
drive "$TEST_TMP/stored.exe" <<STEPS
wait "Tarvex Self-Extractor - stored.exe"
click Unzip
waitfile $(winpath "$out/1-stored.bin")
sleep 500
postkey 106 A
answer Yes
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - stored.exe
box: Tarvex Self-Extractor | Abort unzip operation?
exit: 2
OUT
size=$(stat -c %s "$out/1-stored.bin") || fail "the stored member was not started"
[ "$size" -gt 0 ] && [ "$size" -lt 200000000 ] || fail "the stored member holds $size bytes after Yes"
[ $((size % 2048)) -eq 0 ] || fail "the stored member holds $size bytes, not whole 2,048-byte pieces"
[ ! -e "$out/2-small.txt" ] || fail "the pass went on after Yes"
pass
