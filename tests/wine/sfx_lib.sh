# Helpers for the self-extractor's Wine tests, sourced after lib.sh: images
# made by mksfx from the win32 build's stub, reference trees from unzip.
#
#   TARVEX_MKSFX  the builder (default <repo>/build/host/mksfx)

MKSFX=${TARVEX_MKSFX:-$REPO/build/host/mksfx}
# Passes over the larger archives take a while where Wine runs emulated.
export WINE_RUN_TIMEOUT=${WINE_RUN_TIMEOUT:-300}
STUB=$WIN32_BUILD/sfxstub.exe

# wine_test_init for a test that runs self-extractor images: also skips when
# the stub or the builder is missing.
sfx_test_init() {
    wine_test_init sfxstub.exe "$@"
    [ -x "$MKSFX" ] || skip "$MKSFX is missing (build the host tree first)"
    command -v unzip >/dev/null || skip "unzip is not installed"
}

# make_zip ZIP FOLDER: the files and folders below FOLDER, in sorted order,
# with folder entries, as zip stores them by default.
make_zip() {
    local zip=$1 folder=$2
    rm -f "$zip"
    (cd "$folder" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | zip -q -X "$zip" -@) ||
        fail "zip failed for $folder"
}

# make_image IMAGE ZIP [MKSFX OPTIONS...]
make_image() {
    local image=$1 zip=$2
    shift 2
    "$MKSFX" --stub "$STUB" "$@" "$zip" -o "$image" >"$TEST_TMP/mksfx.log" 2>&1 ||
        { cat "$TEST_TMP/mksfx.log"; fail "mksfx failed for $image"; }
}

# run_unattended IMAGE [ARGS...]: runs an image that unzips in auto mode and
# expects it to end by itself, with exit code 0 and no box.
run_unattended() {
    drive "$@" <<'STEPS'
waitexit 120000
STEPS
    expect_exit 0
    expect_transcript <<'OUT'
exit: 0
OUT
}

# reference_tree ZIP FOLDER: what unzip makes of ZIP.
reference_tree() {
    unzip -q -o "$1" -d "$2" || fail "unzip failed for $1"
}

# The files below a folder with their modification times in ZIP's 2-second
# steps, one a line.
tree_times() {
    (cd "$1" && find . -type f -printf '%P\t%T@\n') | awk -F'\t' '{ printf "%s\t%d\n", $1, $2 / 2 }' | LC_ALL=C sort
}

# expect_same_tree EXPECTED ACTUAL: the same names, bytes and times.
expect_same_tree() {
    diff -r "$1" "$2" > "$TEST_TMP/tree.diff" || { cat "$TEST_TMP/tree.diff"; show_run; fail "trees differ"; }
    tree_times "$1" > "$TEST_TMP/times.expected"
    tree_times "$2" > "$TEST_TMP/times.actual"
    diff -u "$TEST_TMP/times.expected" "$TEST_TMP/times.actual" || { show_run; fail "file times differ"; }
}

# random_file PATH BYTES: incompressible content.
random_file() {
    mkdir -p "$(dirname "$1")" && head -c "$2" /dev/urandom > "$1" || fail "cannot write $1"
}

# main_dialog_dump [KEY=VALUE...]: the main dialog as uidriver's dump shows
# it. Keys: caption, intro (text of 101), folder, overwrite (checked or
# unchecked), unzip (enabled or disabled), status (text of 109), status_shown
# and meter (visible or hidden).
main_dialog_dump() {
    local caption= intro= folder= overwrite=unchecked unzip=enabled status= status_shown=visible meter=hidden
    local setting
    for setting in "$@"; do local "$setting"; done
    cat <<DUMP
window: $caption [#32770]
  101 Static "$intro" visible enabled
  105 Static "Unzip to &folder: " visible enabled
  106 Edit "$folder" visible enabled
  115 Button "&Browse..." visible enabled
  102 Button "&Overwrite files without prompting" visible enabled $overwrite
  111 Button "" hidden enabled unchecked
  1 Button "&Unzip" visible $unzip
  113 Button "Run &Tarvex" visible enabled
  2 Button "&Close" visible enabled
  112 Button "&About" visible enabled
  104 Button "&Help" visible enabled
  103 Static "" visible enabled
  109 Static "$status" $status_shown enabled
  201 Meter "" $meter enabled
DUMP
}

# The introduction of control 101 for a name.
intro_for() {
    echo "To unzip all files in $1 to the specified folder press the Unzip button."
}

# unzip_image NAME [MKSFX OPTIONS...]: zips $TEST_TMP/src into NAME.zip,
# unzips it into $TEST_TMP/reference and makes NAME.exe that unzips into
# $out ($outw in Windows form); shown holds the dump settings of its dialog.
unzip_image() {
    local name=$1
    shift
    make_zip "$TEST_TMP/$name.zip" "$TEST_TMP/src"
    rm -rf "$TEST_TMP/reference"
    reference_tree "$TEST_TMP/$name.zip" "$TEST_TMP/reference"
    out=$TEST_TMP/out
    outw=$(winpath "$out")
    make_image "$TEST_TMP/$name.exe" "$TEST_TMP/$name.zip" --folder "$outw" "$@"
    shown=(caption="Tarvex Self-Extractor - $name.exe" intro="$(intro_for "$name.exe")" folder="$outw")
}

# drive_in_background IMAGE [ARGS...] < STEPS: drive, in the background, so
# that the screen can be taken while it runs (the driver's process is
# $driver); wait_for_drive waits for it and sets DRIVE_EXIT. The steps go
# through a file: a command started with & reads /dev/null otherwise.
drive_in_background() {
    cat > "$TEST_TMP/background-steps"
    (
        drive "$@" < "$TEST_TMP/background-steps"
        echo "$DRIVE_EXIT" > "$TEST_TMP/drive.exit"
    ) &
    driver=$!
}

wait_for_drive() {
    wait "$driver"
    DRIVE_EXIT=$(cat "$TEST_TMP/drive.exit")
}

# shoot PATTERN FILE: while the driver started by drive_in_background
# runs, waits for a transcript line, lets the screen settle, then takes the
# whole screen (WINE_RUN_DISPLAY_FILE names the display) into $TEST_TMP/FILE.
shoot() {
    local tries=0
    until grep -q -- "$1" "$TEST_TMP/transcript" 2>/dev/null && [ -s "$WINE_RUN_DISPLAY_FILE" ]; do
        tries=$((tries + 1))
        [ $tries -le 1200 ] || { kill "$driver"; fail "no \"$1\" in the transcript"; }
        sleep 0.1
    done
    sleep 2
    import -display "$(cat "$WINE_RUN_DISPLAY_FILE")" -window root "$TEST_TMP/$2" || fail "import failed for $2"
}
