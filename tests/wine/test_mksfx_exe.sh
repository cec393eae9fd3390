#!/usr/bin/env bash
# mksfx.exe, the builder for Windows, under Wine: it finds sfxstub.exe beside
# itself, takes Windows paths (drive letter, backslashes, spaces), builds an
# image from a folder (names outside ASCII stored as UTF-8 with bit 11) and
# from a zip, "mksfx.exe info" accepts both, and the images extract to what
# unzip makes of them.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
wine_test_init sfxstub.exe mksfx.exe
command -v unzip >/dev/null || skip "unzip is not installed"
command -v python3 >/dev/null || skip "python3 is not installed"
MKSFX_EXE=$WIN32_BUILD/mksfx.exe

# mksfx_exe ARGS...: runs mksfx.exe, its output in $TEST_TMP/mksfx.out and .err.
mksfx_exe() {
    "$WINE_RUN" "$MKSFX_EXE" "$@" </dev/null >"$TEST_TMP/mksfx.out" 2>"$TEST_TMP/mksfx.err"
    MKSFX_EXIT=$?
}
expect_mksfx() {
    [ "$MKSFX_EXIT" = 0 ] && return 0
    cat "$TEST_TMP/mksfx.out" "$TEST_TMP/mksfx.err"
    fail "mksfx.exe $* exited with $MKSFX_EXIT"
}

src="$TEST_TMP/My Files"
mkdir -p "$src/docs deep/inner" "$src/empty" "$TEST_TMP/out dir"
echo "alpha" > "$src/docs deep/a.txt"
echo "inner" > "$src/docs deep/inner/b.txt"
head -c 70000 /dev/urandom > "$src/noise.bin"

# From a folder, the output named with a Windows path.
mksfx_exe "$(winpath "$src")" -o "$(winpath "$TEST_TMP/out dir/from folder.exe")" --quiet
expect_mksfx folder
[ -f "$TEST_TMP/out dir/from folder.exe" ] || fail "no image from the folder"
mksfx_exe info "$(winpath "$TEST_TMP/out dir/from folder.exe")"
expect_mksfx info
grep -q "The stub would start and extract every member." "$TEST_TMP/mksfx.out" || fail "info did not accept the image"

# From a zip made by Info-ZIP.
make_zip "$TEST_TMP/files.zip" "$src"
mksfx_exe "$(winpath "$TEST_TMP/files.zip")" -o "$(winpath "$TEST_TMP/out dir/from zip.exe")"
expect_mksfx zip
grep -q "from zip.exe: 6 members" "$TEST_TMP/mksfx.out" || { cat "$TEST_TMP/mksfx.out"; fail "no summary line"; }
mksfx_exe info "$(winpath "$TEST_TMP/out dir/from zip.exe")"
expect_mksfx info

# Both images extract, in auto mode, to what unzip makes of them.
for image in "from folder" "from zip"; do
    rm -rf "$TEST_TMP/reference" "$TEST_TMP/extracted"
    reference_tree "$TEST_TMP/out dir/$image.exe" "$TEST_TMP/reference"
    drive "$TEST_TMP/out dir/$image.exe" -auto "$(winpath "$TEST_TMP/extracted")" <<'STEPS'
waitexit 120000
STEPS
    expect_exit 0
    expect_same_tree "$TEST_TMP/reference" "$TEST_TMP/extracted"
done

# Names outside ASCII: listed through the wide-character calls, stored as
# UTF-8 with bit 11, shown decoded by info.
names="$TEST_TMP/names"
mkdir -p "$names/Ελληνικά"
echo "nihon" > "$names/Ελληνικά/日本語.txt"
echo "plain" > "$names/plain.txt"
mksfx_exe "$(winpath "$names")" -o "$(winpath "$TEST_TMP/names.exe")" --quiet
expect_mksfx names
python3 - "$TEST_TMP/names.exe" > "$TEST_TMP/listing" <<'PY' || fail "python could not read names.exe"
import sys, zipfile
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    print(info.flag_bits & 0x800, info.filename)
PY
printf '0 plain.txt\n2048 Ελληνικά/日本語.txt\n' | diff - "$TEST_TMP/listing" || fail "names not stored as UTF-8 with bit 11"
mksfx_exe info "$(winpath "$TEST_TMP/names.exe")"
expect_mksfx info
grep -q " Ελληνικά/日本語.txt  intact" "$TEST_TMP/mksfx.out" || { cat "$TEST_TMP/mksfx.out"; fail "info did not show the name decoded"; }

# --name-codepage through the system's own conversion: a code page 866 name
# stored without a mark is written as UTF-8 with bit 11.
python3 - "$TEST_TMP/cp866.zip" <<'PY' || fail "cannot write cp866.zip"
import io, sys, zipfile
# zipfile would mark any name outside ASCII as UTF-8: a placeholder of the
# same length is replaced by the code page bytes in both headers.
data = io.BytesIO()
with zipfile.ZipFile(data, 'w') as archive:
    archive.writestr('XXXXXX.txt', b'hello')
open(sys.argv[1], 'wb').write(data.getvalue().replace(b'XXXXXX', 'Привет'.encode('cp866')))
PY
mksfx_exe --name-codepage 866 "$(winpath "$TEST_TMP/cp866.zip")" -o "$(winpath "$TEST_TMP/cp866.exe")" --quiet
expect_mksfx cp866
python3 -c 'import sys, zipfile; i = zipfile.ZipFile(sys.argv[1]).infolist()[0]; print(i.flag_bits & 0x800, i.filename)' \
    "$TEST_TMP/cp866.exe" | grep -qx "2048 Привет.txt" || fail "the cp866 name was not written as UTF-8"

# A usage error: one line, the hint, exit 2.
mksfx_exe --bogus
[ "$MKSFX_EXIT" = 2 ] || fail "a usage error exited with $MKSFX_EXIT"
printf "mksfx: unknown option --bogus\nTry 'mksfx --help'.\n" | diff - <(tr -d '\r' < "$TEST_TMP/mksfx.err") ||
    fail "usage error text"
pass
