#!/usr/bin/env bash
# During a pass over a large archive: the meter is up from the start, and a
# click or key press aimed at the dialog asks "Abort unzip operation?". No
# goes on to a complete result; Yes ends the pass and the dialog. A second
# Unzip never starts inside the pass.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init

src=$TEST_TMP/src
random_file "$src/1-large.bin" 8000000
echo "after the large one" > "$src/2-small.txt"
unzip_image large

# The click waits in the queue for the pass's first pump, which asks. While
# the question is open the dialog shows the meter in place of the status
# line, and Unzip is disabled. Afterwards the status line stays hidden.
drive "$TEST_TMP/large.exe" <<'STEPS'
wait "Tarvex Self-Extractor - large.exe"
click Unzip
postclick 106
wait "Tarvex Self-Extractor"
wait "Tarvex Self-Extractor - large.exe"
dump
answer No
answer OK 300000
dump
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - large.exe
window: Tarvex Self-Extractor
window: Tarvex Self-Extractor - large.exe
$(main_dialog_dump "${shown[@]}" unzip=disabled status_shown=hidden meter=visible)
box: Tarvex Self-Extractor | Abort unzip operation?
box: Tarvex Self-Extractor | 2 file(s) unzipped successfully
$(main_dialog_dump "${shown[@]}" status="2 file(s) unzipped successfully" status_shown=hidden)
exit: 0
OUT
expect_same_tree "$TEST_TMP/reference" "$out"

# An Unzip command posted while the pass waits at the question (not a click,
# which would only ask again) is refused: the one pass goes on to the same
# result, with one success box.
rm -rf "$out"
drive "$TEST_TMP/large.exe" <<'STEPS'
wait "Tarvex Self-Extractor - large.exe"
click Unzip
postclick 106
wait "Tarvex Self-Extractor"
wait "Tarvex Self-Extractor - large.exe"
postcommand 1
sleep 1000
answer No
answer OK 300000
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - large.exe
window: Tarvex Self-Extractor
window: Tarvex Self-Extractor - large.exe
box: Tarvex Self-Extractor | Abort unzip operation?
box: Tarvex Self-Extractor | 2 file(s) unzipped successfully
exit: 0
OUT
expect_same_tree "$TEST_TMP/reference" "$out"

# A key press asks too, while a long stored member is being written, not
# only once the member is done; Yes leaves that file as far as written and
# never reaches the next member.
rm -rf "$src" "$out"
random_file "$src/long.bin" 32000000
echo "after the long one" > "$src/next.txt"
(cd "$src" && zip -q -X -0 "$TEST_TMP/long.zip" long.bin next.txt) || fail "zip failed"
make_image "$TEST_TMP/long.exe" "$TEST_TMP/long.zip" --folder "$outw"
drive "$TEST_TMP/long.exe" <<STEPS
wait "Tarvex Self-Extractor - long.exe"
click Unzip
waitfile $outw\\long.bin
postkey 106 A
answer Yes
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - long.exe
box: Tarvex Self-Extractor | Abort unzip operation?
exit: 2
OUT
size=$(stat -c %s "$out/long.bin") || fail "the long file was not started"
[ "$size" -lt 32000000 ] || fail "the question waited for the member's end ($size bytes written)"
[ ! -e "$out/next.txt" ] || fail "the pass went on after Yes"
pass
