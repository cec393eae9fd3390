#!/usr/bin/env bash
# Unattended runs: the exit code of each outcome; -y on a second run;
# -silent, with and without a failure, while a watcher lists every window
# the program shows (it must show none); the -log lines; --run opening a
# batch file from the destination; a default folder with %NAME% in it.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/stub_lib.sh"
stub_test_init

make_image good.exe
cp "$TEST_TMP/good.exe" "$TEST_TMP/member.exe"
patch_image member.exe --flip member
cp "$TEST_TMP/good.exe" "$TEST_TMP/code.exe"
patch_image code.exe --flip code
out=$TEST_TMP/out
header_corrupt='Tarvex Self-Extractor header corrupt.  Possible cause:  bad disk or file transfer error'

# Exit codes: unzipped, a member failed, the image refused, the dialog
# closed without unzipping, Cancel at the overwrite question.
drive "$TEST_TMP/good.exe" -auto "$(winpath "$out")" <<'STEPS'
waitexit 120000
STEPS
expect_transcript <<'OUT'
exit: 0
OUT
[ "$(cat "$out/readme.txt")" = hello ] || fail "the good image did not unzip"
drive "$TEST_TMP/member.exe" -auto "$(winpath "$TEST_TMP/damaged")" <<'STEPS'
answer OK
waitexit 120000
STEPS
expect_line '^box: Tarvex Self-Extractor \| ZIP damaged: file .*readme\.txt: Bad CRC'
expect_line '^exit: 1$'
drive "$TEST_TMP/code.exe" -auto "$(winpath "$TEST_TMP/refused")" <<'STEPS'
answer OK
waitexit
STEPS
expect_transcript <<OUT
box: Tarvex Self-Extractor | $header_corrupt
exit: 4
OUT
drive "$TEST_TMP/good.exe" <<'STEPS'
wait "Tarvex Self-Extractor - good.exe"
click Close
waitexit
STEPS
expect_line '^exit: 2$'
echo changed > "$out/readme.txt"
drive "$TEST_TMP/good.exe" -auto "$(winpath "$out")" <<'STEPS'
answer Cancel
waitexit
STEPS
expect_line '^box: Tarvex Self-Extractor \| File .*readme\.txt already exists\.  Overwrite file\?$'
expect_line '^exit: 2$'

# -y: the second run overwrites without a question.
drive "$TEST_TMP/good.exe" -y -auto "$(winpath "$out")" <<'STEPS'
waitexit 120000
STEPS
expect_transcript <<'OUT'
exit: 0
OUT
[ "$(cat "$out/readme.txt")" = hello ] || fail "-y did not overwrite"

# -silent: nothing shows, whatever happens; an existing file is kept; the
# log tells what the boxes would have said.
echo changed > "$out/readme.txt"
# image | arguments | exit code
while IFS='|' read -r image arguments code; do
    rm -f "$TEST_TMP/run.log"
    # shellcheck disable=SC2086
    drive "$TEST_TMP/$image" -silent -log "$(winpath "$TEST_TMP/run.log")" $arguments <<'STEPS'
watchexit 120000
STEPS
    expect_exit 0
    expect_transcript <<OUT
exit: $code
OUT
    tr -d '\r' < "$TEST_TMP/run.log" > "$TEST_TMP/$image.log"
    tail -n1 "$TEST_TMP/$image.log" | grep -qx "exit: $code" || { cat "$TEST_TMP/$image.log"; fail "log of $image"; }
done <<CASES
good.exe|-auto $(winpath "$out")|0
member.exe|-auto $(winpath "$TEST_TMP/silent")|1
code.exe||4
CASES
[ "$(cat "$out/readme.txt")" = changed ] || fail "-silent overwrote without -y"
expected_good="message: File $(winpath "$out")\\readme.txt already exists.  Overwrite file?
kept: readme.txt
exit: 0"
[ "$(cat "$TEST_TMP/good.exe.log")" = "$expected_good" ] || { cat "$TEST_TMP/good.exe.log"; fail "log of the kept member"; }
grep -q '^message: ZIP damaged: file .*readme\.txt: Bad CRC' "$TEST_TMP/member.exe.log" || fail "no CRC line in the log"
grep -qx "message: $header_corrupt" "$TEST_TMP/code.exe.log" || fail "no header line in the log"
drive "$TEST_TMP/good.exe" -silent -y -log "$(winpath "$TEST_TMP/run.log")" -auto "$(winpath "$out")" <<'STEPS'
watchexit 120000
STEPS
expect_transcript <<'OUT'
exit: 0
OUT
[ "$(tr -d '\r' < "$TEST_TMP/run.log")" = $'written: readme.txt\nexit: 0' ] || { cat "$TEST_TMP/run.log"; fail "log of -y"; }

# %NAME% in the default folder, from the environment the image runs in.
make_image var.exe --folder '%TARVEX_UNZIP_ROOT%\out'
DRIVE_ENV=(--set "TARVEX_UNZIP_ROOT=$(winpath "$TEST_TMP/var")")
drive "$TEST_TMP/var.exe" -auto <<'STEPS'
waitexit 120000
STEPS
unset DRIVE_ENV
expect_line '^exit: 0$'
[ "$(cat "$TEST_TMP/var/out/readme.txt")" = hello ] || fail "%TARVEX_UNZIP_ROOT% was not expanded"

# --run: the dialog offers the command ticked; auto mode opens it from the
# destination folder once the files are there.
mkdir -p "$TEST_TMP/runin"
printf '@echo off\r\necho %%1> ran.txt\r\n' > "$TEST_TMP/runin/setup.bat"
"$MKSFX" --stub "$WIN32_BUILD/sfxstub.exe" --run setup.bat --run-args hello "$TEST_TMP/runin" \
    -o "$TEST_TMP/run.exe" > "$TEST_TMP/mksfx.log" 2>&1 || { cat "$TEST_TMP/mksfx.log"; fail "mksfx --run"; }
"$MKSFX" info "$TEST_TMP/run.exe" | grep -qx 'After unzip: open "setup.bat" with arguments "hello"' ||
    fail "mksfx info does not show the command"
drive "$TEST_TMP/run.exe" <<'STEPS'
wait "Tarvex Self-Extractor - run.exe"
dump
click Close
waitexit
STEPS
expect_line '^  111 Button "When &done unzipping open: setup.bat" visible enabled checked$'
drive "$TEST_TMP/run.exe" -auto "$(winpath "$TEST_TMP/ran")" <<'STEPS'
waitexit 120000
STEPS
expect_transcript <<'OUT'
exit: 0
OUT
# The batch file runs in a process of its own, which may outlive the image.
for _ in $(seq 60); do [ -s "$TEST_TMP/ran/ran.txt" ] && break; sleep 1; done
[ "$(tr -d '\r ' < "$TEST_TMP/ran/ran.txt")" = hello ] ||
    { show_run; ls -la "$TEST_TMP/ran"; fail "setup.bat did not run with its argument"; }

pass
