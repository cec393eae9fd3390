#!/usr/bin/env bash
# Run Tarvex: the archiver's open command registered under HKEY_CLASSES_ROOT
# is started on the image itself and the dialog ends; without a registration,
# or when the registered program cannot be started, a message says so and
# the dialog stays. command_probe stands in for the archiver and records the
# command line it was given.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init tools/command_probe.exe

key='HKCR\tarvex'
command_key='HKCR\tarvex\shell\open\command'
unregister() { "$WINE_RUN" reg delete "$key" /f </dev/null >/dev/null 2>&1; }
register() {
    "$WINE_RUN" reg add "$command_key" /ve /d "$1" /f </dev/null >"$TEST_TMP/reg.log" 2>&1 ||
        { cat "$TEST_TMP/reg.log"; fail "reg add failed"; }
}
# The prefix is shared: the key goes again however the test ends.
trap 'unregister; rm -rf "$TEST_TMP"' EXIT
unregister

mkdir -p "$TEST_TMP/src" && echo "alpha" > "$TEST_TMP/src/a.txt"
make_zip "$TEST_TMP/files.zip" "$TEST_TMP/src"
make_image "$TEST_TMP/files.exe" "$TEST_TMP/files.zip"
image=$(winpath "$TEST_TMP/files.exe")

# One probe folder without and one with a space in its name.
mkdir -p "$TEST_TMP/arch" "$TEST_TMP/Arch Files"
cp "$TOOLS/command_probe.exe" "$TEST_TMP/arch/probe.exe"
cp "$TOOLS/command_probe.exe" "$TEST_TMP/Arch Files/probe.exe"
probe=$(winpath "$TEST_TMP/arch/probe.exe")
spaced_probe=$(winpath "$TEST_TMP/Arch Files/probe.exe")

# started_with REGISTERED EXPECTED PROBE: with REGISTERED as the open command,
# Run Tarvex ends the dialog and PROBE (a Unix path) records EXPECTED.
started_with() {
    register "$1"
    rm -f "$3.txt"
    drive "$TEST_TMP/files.exe" <<'STEPS'
timeout 60000
wait "Tarvex Self-Extractor - files.exe"
click "Run Tarvex"
waitexit
STEPS
    expect_exit 0
    expect_transcript <<'OUT'
window: Tarvex Self-Extractor - files.exe
exit: 2
OUT
    local waited=0
    while [ ! -s "$3.txt" ] && [ $waited -lt 60 ]; do sleep 1; waited=$((waited + 1)); done
    [ -s "$3.txt" ] || fail "the registered program did not start for: $1"
    printf '%s\n' "$2" | cmp -s - "$3.txt" || { cat "$3.txt"; fail "started with another command line for: $1"; }
}

# The program part of the registered command, then the image in quotes.
started_with "$probe %1" "$probe \"$image\"" "$TEST_TMP/arch/probe.exe"
# A command without arguments still gets the image.
started_with "$probe" "$probe \"$image\"" "$TEST_TMP/arch/probe.exe"
# A quoted program path keeps its spaces.
started_with "\"$spaced_probe\" \"%1\"" "\"$spaced_probe\" \"$image\"" "$TEST_TMP/Arch Files/probe.exe"

# stays_with_box BOX: Run Tarvex shows BOX (a regex) and the dialog stays.
stays_with_box() {
    drive "$TEST_TMP/files.exe" <<'STEPS'
timeout 60000
wait "Tarvex Self-Extractor - files.exe"
click "Run Tarvex"
answer OK
gettext 1
click Close
waitexit
STEPS
    expect_exit 0
    expect_line "$1"
    expect_line '^text 1: &Unzip$'
    expect_line '^exit: 2$'
}

# A registered program that does not exist: WinExec's error, not a start.
missing=$(winpath "$TEST_TMP/arch/missing.exe")
register "$missing %1"
stays_with_box "^box: Tarvex Self-Extractor \| Error 2 running command $(printf '%s' "$missing" | sed 's/[\\.]/\\&/g') \"" 
unregister
stays_with_box '^box: Tarvex Self-Extractor \| Tarvex not found on your system\.\\n\\nTarvex is an archiver'
pass
