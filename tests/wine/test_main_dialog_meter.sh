#!/usr/bin/env bash
# The meter of a small archive (end record below 512 KiB): a pass over in
# less than half a second never shows it and leaves its result readable; a
# long pass shows it by the timer, once no prompt is open, and not at all
# when TotalSize is 0.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init

# A pass that lasts seconds on any machine, from an archive whose end record
# stays below 512 KiB behind a stub of up to 28 KiB: 200 MB of zeros
# (deflated to some 194 KB) and then 800 small files, each in a folder of
# its own, which cost every extractor a few file-system calls apiece. Every
# file is called same.txt, so the status line reads "Unzipping same.txt"
# whichever member is under way. The meter's timer comes half a second
# after Unzip or after a question.
mkdir -p "$TEST_TMP/src/a" && head -c 200000000 /dev/zero > "$TEST_TMP/src/a/same.txt" ||
    fail "cannot write the zeros"
for i in $(seq -w 800); do mkdir -p "$TEST_TMP/src/many/$i" && echo "$i" > "$TEST_TMP/src/many/$i/same.txt"; done
files=$(find "$TEST_TMP/src" -type f | wc -l)
unzip_image late
[ "$(stat -c %s "$TEST_TMP/late.exe")" -lt 524288 ] || fail "late.exe reaches 512 KiB"

# A copy that claims a TotalSize of 0.
cp "$TEST_TMP/late.exe" "$TEST_TMP/nosize.exe"
python3 "$REPO/tests/wine/patch_image.py" "$TEST_TMP/nosize.exe" --set TotalSize=0 --reseal >/dev/null ||
    fail "cannot patch TotalSize"

# The first question holds the pass for over a second: the timer's ticks
# meanwhile are ignored. After No the next tick shows the meter (waited
# for, since a loaded machine may be late with it). The timer shows it only
# while less than a third of TotalSize is written, and a fast machine
# writes a third of the zeros within one tick: late.exe claims a TotalSize
# of 3 GB, a third of which the pass never reaches.
python3 "$REPO/tests/wine/patch_image.py" "$TEST_TMP/late.exe" --set TotalSize=3000000000 --reseal >/dev/null ||
    fail "cannot patch TotalSize"
drive "$TEST_TMP/late.exe" <<'STEPS'
wait "Tarvex Self-Extractor - late.exe"
click Unzip
postclick 106
wait "Tarvex Self-Extractor"
sleep 1500
wait "Tarvex Self-Extractor - late.exe"
dump
answer No
waitshown 201
postclick 106
wait "Tarvex Self-Extractor"
wait "Tarvex Self-Extractor - late.exe"
dump
answer Yes
waitexit
STEPS
expect_exit 0
shown+=(unzip=disabled)
expect_transcript <<OUT
window: Tarvex Self-Extractor - late.exe
window: Tarvex Self-Extractor
window: Tarvex Self-Extractor - late.exe
$(main_dialog_dump "${shown[@]}" status="Unzipping same.txt")
box: Tarvex Self-Extractor | Abort unzip operation?
window: Tarvex Self-Extractor
window: Tarvex Self-Extractor - late.exe
$(main_dialog_dump "${shown[@]}" status="Unzipping same.txt" status_shown=hidden meter=visible)
box: Tarvex Self-Extractor | Abort unzip operation?
exit: 2
OUT

# With TotalSize 0 the timer finds "a third" already written: the meter
# never shows, so the status line, which the meter would have hidden for
# good, carries the result at the end. (The pass runs past the timer's first
# tick wherever the late.exe run above saw the meter come; the end state
# does not depend on how long it runs.)
rm -rf "$out"
drive "$TEST_TMP/nosize.exe" <<'STEPS'
wait "Tarvex Self-Extractor - nosize.exe"
click Unzip
answer OK
dump
click Close
waitexit
STEPS
expect_exit 0
shown=(caption="Tarvex Self-Extractor - nosize.exe" intro="$(intro_for nosize.exe)" folder="$outw")
expect_transcript <<OUT
window: Tarvex Self-Extractor - nosize.exe
box: Tarvex Self-Extractor | $files file(s) unzipped successfully
$(main_dialog_dump "${shown[@]}" status="$files file(s) unzipped successfully")
exit: 0
OUT

# One small member: done before the timer's first tick.
rm -rf "$TEST_TMP/src" "$out" && mkdir -p "$TEST_TMP/src" && echo "quick" > "$TEST_TMP/src/quick.txt"
unzip_image quick
drive "$TEST_TMP/quick.exe" <<'STEPS'
wait "Tarvex Self-Extractor - quick.exe"
click Unzip
answer OK
dump
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<OUT
window: Tarvex Self-Extractor - quick.exe
box: Tarvex Self-Extractor | 1 file(s) unzipped successfully
$(main_dialog_dump "${shown[@]}" status="1 file(s) unzipped successfully")
exit: 0
OUT
expect_same_tree "$TEST_TMP/reference" "$out"
pass
