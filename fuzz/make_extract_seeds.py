#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_extract: small archives, each behind the
option byte the target reads first (see fuzz_extract.cpp)."""
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "extract")
TIME, DATE = 0x7D1C, 0x5A4E


def crypt_keys(password):
    keys = [0x12345678, 0x23456789, 0x34567890]
    for c in password:
        update(keys, c)
    return keys


def update(keys, byte):
    keys[0] = zlib.crc32(bytes([byte]), keys[0] ^ 0xFFFFFFFF) ^ 0xFFFFFFFF
    keys[1] = ((keys[1] + (keys[0] & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
    keys[2] = zlib.crc32(bytes([keys[1] >> 24]), keys[2] ^ 0xFFFFFFFF) ^ 0xFFFFFFFF


def encrypt(password, data, check):
    keys = crypt_keys(password)
    out = bytearray()
    for i, b in enumerate(bytes(range(7, 18)) + bytes([check]) + data):
        t = (keys[2] & 0xFFFF) | 2
        out.append(b ^ (((t * (t ^ 1)) >> 8) & 0xFF))
        update(keys, b)
    return bytes(out)


def member(name, data=b"", method=0, encrypted=False, descriptor=False, extra=b""):
    return dict(name=name.encode("latin-1"), data=data, method=method, encrypted=encrypted,
                descriptor=descriptor, extra=extra)


def archive(members, comment=b""):
    out, central = bytearray(), bytearray()
    for m in members:
        crc = zlib.crc32(m["data"])
        payload = m["data"]
        if m["method"] == 8:
            z = zlib.compressobj(9, zlib.DEFLATED, -15)
            payload = z.compress(payload) + z.flush()
        flags = (1 if m["encrypted"] else 0) | (8 if m["descriptor"] else 0)
        if m["encrypted"]:
            check = (TIME >> 8) if m["descriptor"] else (crc >> 24)
            payload = encrypt(b"secret", payload, check)
        shared = struct.pack("<HHHHHIIIHH", 20, flags, m["method"], TIME, DATE, crc, len(payload),
                             len(m["data"]), len(m["name"]), len(m["extra"]))
        offset = len(out)
        out += b"PK\x03\x04" + shared + m["name"] + m["extra"] + payload
        if m["descriptor"]:
            out += b"PK\x07\x08" + struct.pack("<III", crc, len(payload), len(m["data"]))
        central += b"PK\x01\x02" + struct.pack("<H", 20) + shared + struct.pack("<HHHII", 0, 0, 0, 0, offset)
        central += m["name"] + m["extra"]
    start = len(out)
    out += central
    out += b"PK\x05\x06" + struct.pack("<HHHHIIH", 0, 0, len(members), len(members), len(central), start,
                                       len(comment)) + comment
    return bytes(out)


def field(tag, body):
    return struct.pack("<HH", tag, len(body)) + body


def ntfs(modified, tag_size=24):
    """NTFS field: reserved, then tag 1 with the modification, access and creation FILETIMEs."""
    return field(0x000A, struct.pack("<IHH", 0, 1, tag_size) + struct.pack("<QQQ", modified, modified, modified))


def unix(flags, *times):
    """Extended timestamp: flags, then the signed 32-bit times they announce."""
    return field(0x5455, bytes([flags]) + b"".join(struct.pack("<i", t) for t in times))


def words(n, seed):
    text, x = bytearray(), seed
    while len(text) < n:
        x = (x * 1664525 + 1013904223) & 0xFFFFFFFF
        text += bytes([97 + (x >> 24) % 26]) if x & 0x700 else b" "
    return bytes(text[:n])


SEEDS = {
    "plain": (0x01, [member("a.txt", words(300, 1)), member("dir/"),
                     member("dir/b.txt", words(2500, 2), 8, extra=b"\x01\x00\x02\x00xy"),
                     member("empty.txt")], b"comment"),
    "encrypted": (0x03, [member("s/a.txt", words(600, 3), 8, encrypted=True),
                         member("s/b.bin", words(200, 4), 0, encrypted=True, descriptor=True)], b""),
    "questions": (0x04, [member("same.txt", b"first"), member("same.txt", b"second", 8),
                         member("same.txt", b"third")], b""),
    "marker": (0x21, [member("m.txt", words(4200, 5), 0, descriptor=True)], b""),
    "empty": (0x00, [], b"only an end record"),
    "times": (0x01, [member("ntfs.txt", words(100, 8), extra=ntfs(133617192967890123)),
                     member("unix.txt", words(200, 9), 8, extra=unix(7, 1700000001, 5, 6)),
                     member("both.txt", b"both", extra=unix(1, -1) + ntfs(133617192967890125)),
                     member("short.txt", b"short", extra=unix(1) + ntfs(1, 16)),
                     member("old.txt", b"1901", extra=unix(1, -2 ** 31))], b""),
    "spanned": (0x41, [member("v/a.txt", words(3000, 6), 8), member("v/b.txt", words(500, 7))], b""),
}


def main():
    os.makedirs(OUT, exist_ok=True)
    for name, (options, members, comment) in SEEDS.items():
        data = archive(members, comment)
        if name == "marker":
            data = b"PK00" + data
        if name == "spanned":
            data = b"PK\x07\x08" + data
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(bytes([options]) + data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
