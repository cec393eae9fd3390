"""Writes a ZIP of a folder with Python's zipfile, folders included.

usage: python_zip.py OUT.zip FOLDER seekable|pipe

"pipe" writes through an unseekable stream, so every member gets a data
descriptor (flag bit 3) and zeros in its local header; the CRC and sizes are
then copied from the central directory into the local headers, which is what
the image builder does before it appends an archive.
"""
import io
import os
import struct
import sys
import zipfile


class Unseekable(io.RawIOBase):
    def __init__(self, sink):
        self.sink = sink

    def writable(self):
        return True

    def write(self, data):
        self.sink.write(data)
        return len(data)


def add_tree(archive, folder):
    for base, dirs, files in sorted(os.walk(folder)):
        dirs.sort()
        for name in sorted(dirs) + sorted(files):
            path = os.path.join(base, name)
            arcname = os.path.relpath(path, folder)
            if os.path.isdir(path):
                archive.write(path, arcname + "/")
            else:
                with open(path, "rb") as f:
                    data = f.read()
                info = zipfile.ZipInfo.from_file(path, arcname)
                info.compress_type = zipfile.ZIP_DEFLATED
                with archive.open(info, "w") as out:
                    out.write(data)


def fix_local_headers(data):
    data = bytearray(data)
    end = data.rfind(b"PK\x05\x06")
    count, size, offset = struct.unpack_from("<HII", data, end + 10)
    at = offset
    for _ in range(count):
        crc, csize, usize, nlen, xlen, clen = struct.unpack_from("<IIIHHH", data, at + 16)
        local = struct.unpack_from("<I", data, at + 42)[0]
        struct.pack_into("<III", data, local + 14, crc, csize, usize)
        at += 46 + nlen + xlen + clen
    return bytes(data)


def main():
    out, folder, mode = sys.argv[1:4]
    if mode == "pipe":
        sink = io.BytesIO()
        with zipfile.ZipFile(Unseekable(sink), "w", zipfile.ZIP_DEFLATED) as archive:
            add_tree(archive, folder)
        data = fix_local_headers(sink.getvalue())
    else:
        sink = io.BytesIO()
        with zipfile.ZipFile(sink, "w", zipfile.ZIP_DEFLATED) as archive:
            add_tree(archive, folder)
        data = sink.getvalue()
    with open(out, "wb") as f:
        f.write(data)


main()
