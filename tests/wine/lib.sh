# Shared helpers for the Wine end-to-end tests (sourced by tests/wine/test_*.sh).
#
# Environment (set by CTest, see CMakeLists.txt here):
#   TARVEX_WIN32_BUILD  the win32 build tree (default <repo>/build/win32)
#   TARVEX_TEST_TMP     where temporary folders go (default /tmp)
#
# A test script:
#   source "$(dirname "$0")/lib.sh"
#   wine_test_init tools/msgbox_probe.exe      # skips (77) when missing
#   drive "$TOOLS/msgbox_probe.exe" "Text" <<'STEPS'
#   answer OK
#   waitexit
#   STEPS
#   expect_exit 0
#   expect_transcript <<'OUT'
#   box: Probe | Text
#   exit: 1
#   OUT
#   pass

set -u

REPO=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WIN32_BUILD=${TARVEX_WIN32_BUILD:-$REPO/build/win32}
TOOLS=$WIN32_BUILD/tools
WINE_RUN=$REPO/scripts/wine-run
# Windows can be slow to appear on a loaded or emulated machine.
export UIDRIVER_TIMEOUT_MS=${UIDRIVER_TIMEOUT_MS:-120000}
TEST_NAME=$(basename "$0" .sh)

# A test that cannot run skips (77), naming what is missing; under CI (CI
# set) it fails instead, so that a missing install step turns the run red.
skip() {
    [ -z "${CI:-}" ] || { echo "FAIL: $TEST_NAME: CI, so no skip: $*"; exit 1; }
    echo "SKIP: $TEST_NAME: $*"
    exit 77
}
fail() { echo "FAIL: $TEST_NAME: $*"; exit 1; }
pass() { echo "PASS: $TEST_NAME"; exit 0; }

# Checks that Wine and the named artifacts of the win32 build are there
# (skipping the test when not), and makes the test's temporary folder
# $TEST_TMP, removed when the test ends.
wine_test_init() {
    command -v wine >/dev/null || skip "wine is not installed"
    local artifact
    for artifact in tools/uidriver.exe "$@"; do
        [ -f "$WIN32_BUILD/$artifact" ] || skip "$WIN32_BUILD/$artifact is missing (build the win32 tree first)"
    done
    local base=${TARVEX_TEST_TMP:-/tmp}
    mkdir -p "$base" || fail "cannot create $base"
    TEST_TMP=$(mktemp -d "$base/$TEST_NAME.XXXXXX") || fail "mktemp failed"
    trap 'rm -rf "$TEST_TMP"' EXIT
}

# The Windows form (drive Z:) of an absolute Unix path.
winpath() {
    local path=$1
    [ "${path#/}" != "$path" ] || path="$PWD/$path"
    printf 'Z:%s' "${path//\//\\}"
}

# drive PROGRAM [ARGS...] < STEPS: runs PROGRAM (a Unix path) under uidriver
# with the steps read from standard input; uidriver's --set/--unset options
# from the array DRIVE_ENV (for example DRIVE_ENV=(--set TMP=C:\\X --unset TEMP))
# shape the program's environment. Sets DRIVE_EXIT (uidriver's exit
# code); the transcript is in $TEST_TMP/transcript, Wine's messages in
# $TEST_TMP/wine.log. Output goes to files, never to CTest's pipes, which
# Wine's own lingering processes could otherwise hold open.
drive() {
    local program=$1
    shift
    cat > "$TEST_TMP/steps" || fail "cannot write the steps"
    local attempt
    for attempt in 1 2 3; do
        # Wine's diagnostics on, so that a desktop that failed to start is seen.
        WINE_RUN_WINEDEBUG=${WINE_RUN_WINEDEBUG:--all,err+winediag} "$WINE_RUN" "$TOOLS/uidriver.exe" ${DRIVE_ENV[@]+"${DRIVE_ENV[@]}"} "$(winpath "$TEST_TMP/steps")" \
            -- "$(winpath "$program")" "$@" \
            </dev/null >"$TEST_TMP/transcript" 2>"$TEST_TMP/wine.log"
        DRIVE_EXIT=$?
        wine_failed_under "$TEST_NAME" "$attempt" || break
    done
}

# wine_failed_under NAME ATTEMPT: true, with a line saying so, when the last
# run ($TEST_TMP/transcript and wine.log) shows Wine failing under the
# program rather than anything about the program. Wine under emulation now
# and then cannot start the program (error 193), loses a window's X window,
# or ends the program before it can show any window; such a run is made
# again. A program that really ends at once does so again. Under load the
# desktop process (explorer) that Wine starts for a program's first window
# now and then crashes; the program then cannot create any window, and its
# dialog fails as if it were never shown.
wine_failed_under() {
    head -n1 "$TEST_TMP/transcript" |
        grep -Eq '^error: (cannot start .*\(error 193\)$|line [0-9]+: (wait|answer|waitbox) .*: program ended)' ||
        grep -Eq '^X Error of failed request|The explorer process failed to start' "$TEST_TMP/wine.log" || return 1
    echo "$1: Wine failed under the program (attempt $2):" \
        "$(head -n1 "$TEST_TMP/transcript") $(grep -Em1 '^X Error|explorer process failed' "$TEST_TMP/wine.log")"
}

# Prints what a failed check needs: the steps, the transcript, Wine's log.
show_run() {
    echo "--- steps"
    cat "$TEST_TMP/steps"
    echo "--- transcript"
    cat "$TEST_TMP/transcript"
    echo "--- wine log"
    tail -n 40 "$TEST_TMP/wine.log"
}

expect_exit() {
    [ "$DRIVE_EXIT" = "$1" ] && return 0
    show_run
    fail "uidriver exited with $DRIVE_EXIT, expected $1"
}

# Compares the transcript with the expected text on standard input.
expect_transcript() {
    cat > "$TEST_TMP/expected"
    diff -u "$TEST_TMP/expected" "$TEST_TMP/transcript" > "$TEST_TMP/diff" && return 0
    cat "$TEST_TMP/diff"
    show_run
    fail "transcript differs"
}

# Checks that the transcript holds a line matching the extended regex $1.
expect_line() {
    grep -Eq -- "$1" "$TEST_TMP/transcript" && return 0
    show_run
    fail "no transcript line matches: $1"
}
