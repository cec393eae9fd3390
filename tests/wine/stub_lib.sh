# Helpers for the stub's Wine tests (sourced after lib.sh): images made by
# the builder from a folder of one small file, and changed for a test.

# Like wine_test_init, for tests that run the stub on images made by mksfx.
stub_test_init() {
    wine_test_init sfxstub.exe "$@"
    MKSFX=${TARVEX_MKSFX:-$REPO/build/host/mksfx}
    [ -x "$MKSFX" ] || skip "$MKSFX is missing (build the host tree first)"
    mkdir -p "$TEST_TMP/in" || fail "cannot create the input folder"
    echo "hello" > "$TEST_TMP/in/readme.txt"
}

# make_image NAME [MKSFX OPTIONS...]: $TEST_TMP/NAME from the one-file folder.
make_image() {
    local name=$1
    shift
    "$MKSFX" --stub "$WIN32_BUILD/sfxstub.exe" "$@" "$TEST_TMP/in" -o "$TEST_TMP/$name" >"$TEST_TMP/mksfx.log" 2>&1 ||
        { cat "$TEST_TMP/mksfx.log"; fail "mksfx $* failed"; }
}

# patch_image NAME [patch_image.py OPTIONS...]
patch_image() {
    local name=$1
    shift
    python3 "$REPO/tests/wine/patch_image.py" "$TEST_TMP/$name" "$@" >/dev/null || fail "patch_image.py $name $* failed"
}
