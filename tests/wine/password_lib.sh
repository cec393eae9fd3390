# Helpers for the password tests, sourced after lib.sh and sfx_lib.sh.

# zip_encrypted ZIP FOLDER PASSWORD REFUSED: FOLDER's entries encrypted with
# PASSWORD by zip. The encryption headers are random and a wrong password
# passes the one-byte check of a header once in 256 times: the archive is
# made again until the first member's header refuses REFUSED, so that the
# wrong-password run ends at the password check every time.
zip_encrypted() {
    local zip=$1 folder=$2 password=$3 refused=$4 attempt
    for attempt in 1 2 3 4 5 6 7 8; do
        rm -f "$zip"
        (cd "$folder" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort | zip -q -X -P "$password" "$zip" -@) ||
            fail "zip -P failed for $folder"
        first_header_refuses "$zip" "$refused" && return 0
    done
    fail "zip kept making headers that accept $refused"
}

# first_header_refuses ZIP PASSWORD: true when the first member's encryption
# header check fails for PASSWORD.
first_header_refuses() {
    python3 - "$1" "$2" <<'PY'
import sys, zipfile
archive = zipfile.ZipFile(sys.argv[1])
first = [m for m in archive.infolist() if not m.is_dir()][0]
try:
    archive.open(first, pwd=sys.argv[2].encode()).close()
except RuntimeError:
    sys.exit(0)    # "Bad password": the check byte refused it
sys.exit(1)
PY
}

# clear_encrypted_flag IMAGE: clears the Encrypted option bit (0x100) of the
# image's ConfigRecord (an image made with --no-stub-crc, so that the patch
# leaves the image valid).
clear_encrypted_flag() {
    python3 - "$1" <<'PY' || fail "cannot patch $1"
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
record = data.find(b"KVB\x01sfx\x02")
assert record >= 0 and data.find(b"KVB\x01sfx\x02", record + 1) < 0
flags = struct.unpack_from("<I", data, record + 28)[0]
struct.pack_into("<I", data, record + 28, flags & ~0x100)
open(sys.argv[1], "wb").write(data)
PY
}
