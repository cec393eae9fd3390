#!/usr/bin/env bash
# Names outside ASCII, as today's tools write them, extracted by the stub in
# auto mode under Wine: the same names and bytes as unzip writes on Linux.
# - Python's zipfile and 7-Zip: UTF-8 names with flag bit 11;
# - Info-ZIP zip: bit 11 too where its en_US.UTF-8 locale exists (made here
#   with localedef; without it zip stores the bytes with no mark at all);
# - the Unicode Path extra field (0x7075) beside a code-page name, laid out
#   as Info-ZIP's Windows port writes it (zip on Unix never writes one):
#   version 1, the CRC-32 of the stored name, the name in UTF-8.
# Greek, Cyrillic, Japanese and a four-byte emoji, in folders and files.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/sfx_lib.sh"
sfx_test_init
command -v python3 >/dev/null || skip "python3 is not installed"
command -v zip >/dev/null || skip "zip is not installed"
command -v 7z >/dev/null || skip "7z is not installed"
command -v localedef >/dev/null || skip "localedef is not installed"
export LC_ALL=C.UTF-8   # unzip writes UTF-8 names in a UTF-8 locale

src=$TEST_TMP/src
mkdir -p "$src/Ελληνικά" "$src/Кириллица/日本語フォルダ" || fail "cannot make the source folders"
echo "alpha" > "$src/Ελληνικά/Αλφάβητο.txt"
echo "cyrillic" > "$src/Кириллица/Привет мир.txt"
head -c 50000 /dev/urandom > "$src/Кириллица/日本語フォルダ/データ.bin"
echo "smile" > "$src/😀 smile.txt"
echo "plain" > "$src/plain.txt"

# The archives, each in $TEST_TMP/NAME.zip.
(cd "$src" && python3 - "$TEST_TMP/python.zip" <<'EOF'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as archive:
    for folder, folders, files in sorted(os.walk('.')):
        for name in sorted(folders + files):
            archive.write(os.path.relpath(os.path.join(folder, name)))
EOF
) || fail "python zipfile failed"
(cd "$src" && 7z a -tzip "$TEST_TMP/7z.zip" . >/dev/null) || fail "7z failed"
mkdir -p "$TEST_TMP/locales" && localedef -i en_US -f UTF-8 "$TEST_TMP/locales/en_US.UTF-8" >/dev/null 2>&1
[ -f "$TEST_TMP/locales/en_US.UTF-8/LC_CTYPE" ] || fail "localedef failed"
(cd "$src" && LOCPATH=$TEST_TMP/locales zip -q -r "$TEST_TMP/infozip.zip" .) || fail "zip failed"
python3 - "$TEST_TMP/python.zip" "$TEST_TMP/unicodepath.zip" <<'EOF' || fail "cannot write the Unicode Path archive"
# Each member again under an ASCII name ('_' for each other character; the
# zipfile module would set bit 11 for any other), flag bit 11 clear, with the
# Unicode Path field in both headers.
import struct, sys, zipfile, zlib
source = zipfile.ZipFile(sys.argv[1])
with zipfile.ZipFile(sys.argv[2], 'w') as archive:
    for info in source.infolist():
        stored = info.filename.encode('ascii', 'replace').replace(b'?', b'_')
        utf8 = info.filename.encode('utf-8')
        field = struct.pack('<HHBI', 0x7075, 5 + len(utf8), 1, zlib.crc32(stored)) + utf8
        copy = zipfile.ZipInfo(stored.decode('ascii'), info.date_time)
        copy.compress_type = info.compress_type
        copy.external_attr = info.external_attr
        copy.extra = field
        archive.writestr(copy, source.read(info))
for info in zipfile.ZipFile(sys.argv[2]).infolist():
    assert not info.flag_bits & 0x800 and info.extra[:2] == b'\x75\x70', info.filename
EOF

for archive in python 7z infozip unicodepath; do
    zip=$TEST_TMP/$archive.zip
    if [ "$archive" != unicodepath ]; then
        python3 -c 'import sys, zipfile; sys.exit(not all(i.flag_bits & 0x800 for i in zipfile.ZipFile(sys.argv[1]).infolist() if not i.filename.isascii()))' "$zip" ||
            fail "$archive.zip does not mark its UTF-8 names with bit 11"
    fi
    rm -rf "$TEST_TMP/reference" "$TEST_TMP/out"
    reference_tree "$zip" "$TEST_TMP/reference"
    [ -f "$TEST_TMP/reference/Кириллица/日本語フォルダ/データ.bin" ] || fail "unzip did not write the UTF-8 names of $archive.zip"
    make_image "$TEST_TMP/$archive.exe" "$zip" --auto --overwrite --folder "$(winpath "$TEST_TMP/out")"
    run_unattended "$TEST_TMP/$archive.exe"
    (cd "$TEST_TMP/reference" && find . | LC_ALL=C sort) > "$TEST_TMP/names.expected"
    (cd "$TEST_TMP/out" && find . | LC_ALL=C sort) > "$TEST_TMP/names.actual"
    diff -u "$TEST_TMP/names.expected" "$TEST_TMP/names.actual" || fail "$archive.zip: names differ from unzip's"
    diff -r "$TEST_TMP/reference" "$TEST_TMP/out" || fail "$archive.zip: bytes differ from unzip's"
done
pass
