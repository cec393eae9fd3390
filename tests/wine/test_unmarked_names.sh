#!/usr/bin/env bash
# Names the archive does not mark as UTF-8, decided by mksfx and extracted by
# the stub in auto mode under Wine:
# - macOS-style: UTF-8 names without flag bit 11, version made by 19;
# - code page 866 and code page 932 names (made by MS-DOS), with
#   --name-codepage; in 932, 表 and ソ end in the trail byte 0x5C ('\'),
#   which must split no folder;
# - a Unicode Path field (0x7075) only in the central directory, beside the
#   escaped name such writers store.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v python3 >/dev/null || skip "python3 is not installed"
export LC_ALL=C.UTF-8

# ARCHIVE KIND: writes the archive with stored members, the names in the
# kind's form, and the names as they must land in ARCHIVE.names (UTF-8).
write_archive() {
    python3 - "$1" "$2" <<'PYTHON' || fail "cannot write the $2 archive"
import struct, sys, zlib
path, kind = sys.argv[1], sys.argv[2]
names = {
    'macos': ['世界/', '世界/こんにちは.txt', 'Ölfässer.txt'],
    'cp866': ['Папка/', 'Папка/Привет мир.txt', 'plain.txt'],
    'cp932': ['ソフト/', 'ソフト/表示.txt', 'ソ.txt'],
    'central': ['%U20AC_for_Dollar.txt'],
}[kind]
maker = {'macos': 19, 'cp866': 0, 'cp932': 0, 'central': 0}[kind]
body, directory = b'', b''
with open(path + '.names', 'w', encoding='utf-8') as listing:
    for name in names:
        if kind == 'central':
            shown = '€_for_Dollar.txt'
            stored = name.encode('ascii')
            central_extra = struct.pack('<HHBI', 0x7075, 5 + len(shown.encode()), 1, zlib.crc32(stored)) + shown.encode()
        else:
            shown = name
            stored = name.encode({'macos': 'utf-8', 'cp866': 'cp866', 'cp932': 'cp932'}[kind])
            central_extra = b''
        listing.write(shown + '\n')
        data = b'' if name.endswith('/') else ('content of ' + shown + '\n').encode()
        crc = zlib.crc32(data)
        offset = len(body)
        body += struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 0, 0, 0, 0x21, crc, len(data), len(data),
                            len(stored), 0) + stored + data
        attributes = 0x10 if name.endswith('/') else 0
        directory += struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, maker << 8 | 20, 20, 0, 0, 0, 0x21, crc,
                                 len(data), len(data), len(stored), len(central_extra), 0, 0, 0, attributes,
                                 offset) + stored + central_extra
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, len(names), len(names), len(directory), len(body), 0)
open(path, 'wb').write(body + directory + end)
PYTHON
}

for kind in macos cp866 cp932 central; do
    zip=$TEST_TMP/$kind.zip
    write_archive "$zip" "$kind"
    options=()
    case $kind in cp*) options=(--name-codepage "${kind#cp}") ;; esac
    rm -rf "$TEST_TMP/out"
    make_image "$TEST_TMP/$kind.exe" "$zip" "${options[@]}" --auto --overwrite --folder "$(winpath "$TEST_TMP/out")"
    grep -q "warning" "$TEST_TMP/mksfx.log" && { cat "$TEST_TMP/mksfx.log"; fail "$kind: mksfx warned"; }
    run_unattended "$TEST_TMP/$kind.exe"
    while IFS= read -r name; do
        if [ "${name%/}" != "$name" ]; then
            [ -d "$TEST_TMP/out/$name" ] || fail "$kind: folder '$name' is missing"
        else
            [ "$(cat "$TEST_TMP/out/$name" 2>/dev/null)" = "content of $name" ] || fail "$kind: file '$name' is missing or wrong"
        fi
    done < "$zip.names"
    count=$(cd "$TEST_TMP/out" && find . -mindepth 1 | wc -l)
    [ "$count" = "$(wc -l < "$zip.names")" ] || { (cd "$TEST_TMP/out" && find .); fail "$kind: other files were made"; }
done

# Without --name-codepage the code-page names stay as stored, with one warning
# that names them.
make_image "$TEST_TMP/kept.exe" "$TEST_TMP/cp866.zip"
grep -c "warning" "$TEST_TMP/mksfx.log" | grep -qx 1 || { cat "$TEST_TMP/mksfx.log"; fail "no single warning"; }
grep -q -- "--name-codepage" "$TEST_TMP/mksfx.log" || fail "the warning does not suggest --name-codepage"

# Left as stored, the code page 932 names are read in the ANSI code page of
# the machine that runs the image: on one whose code page is 932 they come
# out as on the maker's, the trail byte 0x5C of ソ and 表 splitting no folder.
# Wine takes its code page from the locale, made here with localedef.
command -v localedef >/dev/null || skip "localedef is not installed"
mkdir -p "$TEST_TMP/locales" && localedef -i ja_JP -f UTF-8 "$TEST_TMP/locales/ja_JP.UTF-8" >/dev/null 2>&1
[ -f "$TEST_TMP/locales/ja_JP.UTF-8/LC_CTYPE" ] || fail "localedef failed"
rm -rf "$TEST_TMP/out"
make_image "$TEST_TMP/ansi.exe" "$TEST_TMP/cp932.zip" --auto --folder "$(winpath "$TEST_TMP/out")"
grep -q -- "--name-codepage" "$TEST_TMP/mksfx.log" || { cat "$TEST_TMP/mksfx.log"; fail "cp932 as stored: no warning"; }
LOCPATH=$TEST_TMP/locales LC_ALL=ja_JP.UTF-8 run_unattended "$TEST_TMP/ansi.exe"
(cd "$TEST_TMP/out" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort) > "$TEST_TMP/ansi.tree"
sed 's|/$||' "$TEST_TMP/cp932.zip.names" | LC_ALL=C sort > "$TEST_TMP/ansi.expected"
diff "$TEST_TMP/ansi.expected" "$TEST_TMP/ansi.tree" || fail "cp932 as stored: another tree under code page 932"
pass
