#!/usr/bin/env bash
# Name parts that end in a blank or a dot, on a destination long enough for
# the \\?\ form, where Windows would keep them and make files its own tools
# cannot delete: the stub refuses each with the unsafe-name box and makes
# nothing of it. mksfx refuses such names, so the image is made with
# harmless names of the same length, patched afterwards in both headers
# (names lie outside the stub checksum).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v python3 >/dev/null || skip "python3 is not installed"
export LC_ALL=C.UTF-8

out=$TEST_TMP/out/$(printf 'd%.0s' $(seq 120))/$(printf 'e%.0s' $(seq 40))
outw=$(winpath "$out")
[ ${#outw} -gt 180 ] || fail "the destination is only ${#outw} characters"
# A folder part that takes every path past the classic limit.
long=$(printf 'l%.0s' $(seq 90))
while IFS='|' read -r harmless hostile; do
    rm -rf "$TEST_TMP/out"
    python3 - "$TEST_TMP/in.zip" "$harmless" <<'PY' || fail "cannot write the archive"
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as archive:
    archive.writestr('first.txt', 'first')
    archive.writestr(sys.argv[2], 'hostile')
PY
    make_image "$TEST_TMP/trail.exe" "$TEST_TMP/in.zip" --auto --overwrite --folder "$outw"
    python3 - "$TEST_TMP/trail.exe" "$harmless" "$hostile" <<'PY' || fail "cannot patch the image"
import sys
path, harmless, hostile = sys.argv[1], sys.argv[2].encode(), sys.argv[3].encode()
image = open(path, 'rb').read()
assert image.count(harmless) == 2 and len(harmless) == len(hostile)
open(path, 'wb').write(image.replace(harmless, hostile))
PY
    drive "$TEST_TMP/trail.exe" <<'STEPS'
answer OK
waitexit 120000
STEPS
    expect_line "^box: .*\| Unsafe file name in archive: ${hostile//./\\.}\$"
    [ "$(cat "$out/first.txt")" = first ] || fail "$hostile: the member before it was not made"
    [ "$(cd "$out" && find . -mindepth 1)" = "./first.txt" ] || { (cd "$out" && find .); fail "$hostile: something of it was made"; }
done <<CASES
$long/evil_/x.txt|$long/evil /x.txt
$long/dots__/y.txt|$long/dots../y.txt
$long/tdot_|$long/tdot.
$long/blank_|$long/blank 
CASES
pass
