#!/usr/bin/env bash
# Paths past Windows' classic 259 characters: a destination of some 200
# characters and member names of up to 200 bytes (the longest the stub
# takes), both single-byte and UTF-8 ones, extract in auto mode under Wine
# through the \\?\ form, to what unzip writes on Linux.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v python3 >/dev/null || skip "python3 is not installed"
export LC_ALL=C.UTF-8

python3 - "$TEST_TMP/long.zip" <<'PY' || fail "cannot write the archive"
import sys, zipfile
folder = 'f' * 100 + '/' + 'g' * 60 + '/'
names = [folder,                                          # a folder member
         folder + 'plain-' + 'p' * 28 + '.txt',           # 200 bytes of ASCII
         folder + 'Ωmega-' + 'ω' * 12 + '.txt']           # UTF-8, bit 11
assert max(len(n.encode()) for n in names) == 200
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as archive:
    for name in names:
        archive.writestr(name, '' if name.endswith('/') else 'data of ' + name)
PY
reference_tree "$TEST_TMP/long.zip" "$TEST_TMP/reference"

out=$TEST_TMP/out/$(printf 'd%.0s' $(seq 120))/$(printf 'e%.0s' $(seq 40))
outw=$(winpath "$out")
[ ${#outw} -gt 180 ] || fail "the destination is only ${#outw} characters"
for name in $(cd "$TEST_TMP/reference" && find . -type f); do
    [ $((${#outw} + ${#name})) -gt 300 ] || fail "$name makes no path past 300 characters"
done
make_image "$TEST_TMP/long.exe" "$TEST_TMP/long.zip" --auto --folder "$outw"
run_unattended "$TEST_TMP/long.exe"
diff -r "$TEST_TMP/reference" "$out" || { show_run; fail "the long paths differ from unzip's"; }
[ "$(cd "$out" && find . -type f | wc -l)" = 2 ] || fail "not every file was written"
pass
