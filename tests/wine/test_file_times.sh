#!/usr/bin/env bash
# File times across time zones: an archive made by zip fourteen hours east
# of UTC, extracted in auto mode by the stub under Wine ten hours west of
# UTC, gives every file the time unzip gives it there, to the second. A
# member with zip's extended timestamp comes out at its true time (odd
# seconds too); one without extra fields (zip -X) at its MS-DOS time read
# as local time. Wine takes its time zone from the TZ of the process that
# starts it, so every step names its zone and the result does not depend on
# the machine's. POSIX zone names: no time zone data is needed.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v zip >/dev/null || skip "zip is not installed"

made_in=EAST-14
extracted_in=WEST+10
true_time=1700000001   # 2023-11-14 22:13:21 UTC, an odd second

src=$TEST_TMP/src
mkdir -p "$src/docs" && echo "with a UTC time" > "$src/docs/utc.txt" && echo "DOS time only" > "$src/dos.txt" ||
    fail "cannot write the source files"
touch -d "@$true_time" "$src/docs/utc.txt" "$src/dos.txt"
zip=$TEST_TMP/times.zip
(cd "$src" && TZ=$made_in zip -q "$zip" docs/utc.txt && TZ=$made_in zip -q -X "$zip" dos.txt) || fail "zip failed"
TZ=$extracted_in unzip -q "$zip" -d "$TEST_TMP/reference" || fail "unzip failed"

out=$TEST_TMP/out
make_image "$TEST_TMP/times.exe" "$zip" --auto --folder "$(winpath "$out")"
export TZ=$extracted_in
run_unattended "$TEST_TMP/times.exe"

exact_times() {
    (cd "$1" && find . -type f -printf '%P\t%T@\n') | awk -F'\t' '{ printf "%s\t%d\n", $1, $2 }' | LC_ALL=C sort
}
exact_times "$TEST_TMP/reference" > "$TEST_TMP/times.expected"
exact_times "$out" > "$TEST_TMP/times.actual"
diff -u "$TEST_TMP/times.expected" "$TEST_TMP/times.actual" || { show_run; fail "file times differ from unzip's"; }
grep -qx "docs/utc.txt	$true_time" "$TEST_TMP/times.actual" || fail "docs/utc.txt lost its true time"
diff -r "$TEST_TMP/reference" "$out" >/dev/null || fail "the extracted files differ from unzip's"
pass
