#!/usr/bin/env bash
# The stub's start-up on images made by the builder: an intact image opens
# the main dialog; a changed stub, a moved end record, a foreign entry point
# an incomplete image and a changed TextBlock each end with their box and
# exit code 4 (closing the dialog without unzipping gives 2); a
# changed member stops its pass with the CRC box; -info shows the info text.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/stub_lib.sh"
stub_test_init

make_image intact.exe --info "-win32 -le -overwrite"
drive "$TEST_TMP/intact.exe" <<'STEPS'
wait "Tarvex Self-Extractor - intact.exe"
click Close
waitexit
STEPS
expect_exit 0
expect_transcript <<'OUT'
window: Tarvex Self-Extractor - intact.exe
exit: 2
OUT

# One case a line: image name, what is changed, the box's text.
header_corrupt='Tarvex Self-Extractor header corrupt.  Possible cause:  bad disk or file transfer error'
damaged='Zip file is damaged, truncated, or has been changed since it was created.   If you downloaded this file, try downloading again.'
incomplete='This is an incomplete self-extractor;\nplease re-create the file and try again.'
while IFS='|' read -r name change text; do
    cp "$TEST_TMP/intact.exe" "$TEST_TMP/$name"
    case $change in
        incomplete) make_image "$name" --incomplete ;;
        *) patch_image "$name" $change ;;
    esac
    drive "$TEST_TMP/$name" <<'STEPS'
answer OK
waitexit
STEPS
    expect_exit 0
    expect_transcript <<OUT
box: Tarvex Self-Extractor | $text
exit: 4
OUT
done <<CASES
code.exe|--flip code|$header_corrupt
textblock.exe|--flip textblock|$header_corrupt
endrecord.exe|--set EndRecordOffset=+1 --reseal|$damaged
entry.exe|--set EntryPoint=+1 --reseal|$damaged
incomplete.exe|incomplete|$incomplete
CASES

# The archive lies outside the stub checksum: a changed member starts, and
# its CRC stops the pass before the file counts as unzipped.
cp "$TEST_TMP/intact.exe" "$TEST_TMP/member.exe"
patch_image member.exe --flip member
drive "$TEST_TMP/member.exe" -auto "$(winpath "$TEST_TMP/out")" <<'STEPS'
answer OK
waitexit 120000
STEPS
expect_exit 0
bad_crc=$(python3 -c 'import zlib; print("%08x %08x" % (zlib.crc32(b"iello\n"), zlib.crc32(b"hello\n")))')
expect_line "^box: Tarvex Self-Extractor \| ZIP damaged: file .*readme.txt: Bad CRC ${bad_crc% *} \(should be ${bad_crc#* }\)\.  Possible cause: file transfer error\.$"

# -info as a word of its own shows the info text; in capitals it is no option.
drive "$TEST_TMP/intact.exe" -auto 'C:\x' -info <<'STEPS'
answer OK
waitexit
STEPS
expect_exit 0
expect_transcript <<'OUT'
box: Tarvex Self-Extractor | -win32 -le -overwrite
exit: 0
OUT
drive "$TEST_TMP/intact.exe" -INFO <<'STEPS'
wait "Tarvex Self-Extractor - intact.exe"
click Close
waitexit
STEPS
expect_exit 0
pass
