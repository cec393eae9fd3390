#!/usr/bin/env bash
# A set that mksfx --span spread over two disks, run from disk 1 in drive A:
# in auto mode: at each disk prompt the next disk goes into the drive before
# the prompt is answered, and what comes out equals the source. Once with
# .ZIP volumes, once with .EXE volumes.
#
# Drive A: is the prefix's dosdevices/a: link, pointed at the disk "in the
# drive" (restored when the test ends; no other test uses A:). The disks get
# the labels that mksfx names, in .windows-label files, but Wine reports a
# label only through its mount manager, which the project's prefix does not
# run (wine-env.sh): GetVolumeInformationA fails, so the program shows its
# missing-label box for each disk and Ignore accepts the disk in the drive.
# Reading the labels is covered by the host tests.
source "$(dirname "$0")/lib.sh"
wine_test_init sfxstub.exe
MKSFX=${TARVEX_MKSFX:-$REPO/build/host/mksfx}
[ -x "$MKSFX" ] || skip "$MKSFX is missing (build the host tree first)"
PREFIX=${WINE_RUN_PREFIX:-$REPO/build/wineprefix}
DRIVE_A=$PREFIX/dosdevices/a:

# The prefix must exist before its drive A: can be set.
[ -f "$PREFIX/.tarvex-ready" ] || "$WINE_RUN" cmd /c exit </dev/null >/dev/null 2>&1
[ -d "$PREFIX/dosdevices" ] || fail "no Wine prefix at $PREFIX"
old_a=$(readlink "$DRIVE_A" 2>/dev/null)
restore_drive_a() {
    rm -f "$DRIVE_A"
    [ -z "$old_a" ] || ln -s "$old_a" "$DRIVE_A"
}
trap 'restore_drive_a; rm -rf "$TEST_TMP"' EXIT

source_tree=$TEST_TMP/source
mkdir -p "$source_tree/docs/deep" "$source_tree/empty"
printf 'alpha\n' > "$source_tree/a.txt"
python3 -c 'import random, sys; r = random.Random(7); sys.stdout.buffer.write(bytes(r.randrange(256) for _ in range(9000)))' \
    > "$source_tree/big.bin" || fail "python3 failed"
seq 1 400 | sed 's/^/line /' > "$source_tree/docs/notes.txt"
: > "$source_tree/docs/zero.dat"
printf 'omega\n' > "$source_tree/docs/deep/z.txt"
# Disk 1 holds the self-extractor and about 6 KB of the archive; disk 2 the rest.
disk_size=$(( $(stat -c %s "$WIN32_BUILD/sfxstub.exe") + 6144 ))

# feed_disks NAME SET OUT DISKS: runs the program from disk 1 under uidriver
# and puts each next disk into the drive while its prompt is up. Sets
# DRIVE_EXIT.
feed_disks() {
    local name=$1 set=$2 out=$3 disks=$4 disk
    rm -rf "$out" "$TEST_TMP/$name"-inserted*
    mkdir -p "$out"
    rm -f "$DRIVE_A"
    ln -s "$set/disk1" "$DRIVE_A"
    "$WINE_RUN" "$TOOLS/uidriver.exe" "$(winpath "$TEST_TMP/steps")" -- 'A:\SETUP.EXE' -auto "$(winpath "$out")" \
        </dev/null >"$TEST_TMP/transcript" 2>"$TEST_TMP/wine.log" &
    local driver=$!
    for disk in $(seq 2 "$disks"); do
        until grep -q "^box up: .*number $disk\\.\$" "$TEST_TMP/transcript"; do
            kill -0 "$driver" 2>/dev/null || break 2
            sleep 0.2
        done
        rm -f "$DRIVE_A"
        ln -s "$set/disk$disk" "$DRIVE_A"
        touch "$TEST_TMP/$name-inserted$disk"
    done
    wait "$driver"
    DRIVE_EXIT=$?
}

missing_label='The disk in the drive appears to be\nmissing or has an incorrect label.\nInsert disk number'

# run_set NAME [MKSFX OPTIONS...]: builds the set, runs it with the disks fed
# in turn, and compares what came out with the source.
run_set() {
    local name=$1 set=$TEST_TMP/$1 out=$TEST_TMP/$1-out disks disk label
    shift
    mkdir -p "$set"
    "$MKSFX" --stub "$WIN32_BUILD/sfxstub.exe" --span "$disk_size" "$@" "$source_tree" -o "$set/SETUP.EXE" \
        > "$set.log" 2>&1 || { cat "$set.log"; fail "$name: mksfx failed"; }
    disks=$(ls -d "$set"/disk* | wc -l)
    [ "$disks" -eq 2 ] || { cat "$set.log"; fail "$name: $disks disks, expected 2"; }
    # The labels mksfx asks for, as the disks would carry them.
    for disk in $(seq 1 "$disks"); do
        label=$(sed -n "s/^disk$disk: label \"\\([^\"]*\\)\".*/\\1/p" "$set.log")
        [ "$label" = "$(printf 'PKBACK# %03d' "$disk")" ] || fail "$name: disk $disk label '$label'"
        printf '%s' "$label" > "$set/disk$disk/.windows-label"
    done

    {
        echo "timeout 60000"
        echo "# disk 1: twice at start-up (the TextBlock), once as the pass starts;"
        echo "# a pause between boxes that follow at once, which Wine's X driver"
        echo "# under emulation now and then cannot keep up with"
        echo "answer Ignore"
        echo "sleep 500"
        echo "answer Ignore"
        echo "sleep 500"
        echo "answer Ignore"
        for disk in $(seq 2 "$disks"); do
            echo "waitbox Ignore"
            echo "waitfile $(winpath "$TEST_TMP/$name-inserted$disk")"
            echo "answer Ignore"
        done
        echo "waitexit 60000"
    } > "$TEST_TMP/steps"
    {
        for disk in 1 1 1; do echo "box: Tarvex Self-Extractor | $missing_label $disk."; done
        for disk in $(seq 2 "$disks"); do
            echo "box up: Tarvex Self-Extractor | $missing_label $disk."
            echo "box: Tarvex Self-Extractor | $missing_label $disk."
        done
        echo "exit: 0"
    } > "$TEST_TMP/$name-expected"

    local attempt
    for attempt in 1 2 3; do
        feed_disks "$name" "$set" "$out" "$disks"
        wine_failed_under "$name" "$attempt" || break
    done
    expect_exit 0
    expect_transcript < "$TEST_TMP/$name-expected"
    diff -r "$source_tree" "$out" > "$TEST_TMP/diff" || { cat "$TEST_TMP/diff"; fail "$name: the extracted tree differs"; }
}

run_set zip_volumes
run_set exe_volumes --exe-volumes
pass
