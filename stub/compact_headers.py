#!/usr/bin/env python3
"""Moves the PE headers of a linked stub up to the end of the MS-DOS header,
so that they fit the first 512-byte block of the file instead of two: the
linker always writes a 64-byte MS-DOS program with its message behind the
MS-DOS header, which pushes the headers past 512 bytes. The headers then
keep room for exactly one more section table entry, the one the builder
adds. The MS-DOS program left is five bytes in the header's reserved words
(a 32-byte header, so the program starts at offset 0x20) and ends with
exit code 1 (mov ax, 4C01h; int 21h), as the linker's does after its
message. Every section's file offset moves down by the bytes saved;
nothing in memory moves.
Usage: compact_headers.py STUB.exe (rewritten in place; unchanged when the
       headers do not fit one block less)"""
import struct
import sys

DOS_HEADER_SIZE = 0x40
LFANEW_OFFSET = 0x3C
NEW_LFANEW = DOS_HEADER_SIZE
# The MS-DOS header's own fields that place its program: header paragraphs,
# then IP and CS of the entry relative to the loaded program.
HEADER_PARAGRAPHS_OFFSET, ENTRY_IP_OFFSET, ENTRY_CS_OFFSET = 0x08, 0x14, 0x16
DOS_PROGRAM_OFFSET = 0x20    # the reserved words e_res, e_oemid, e_oeminfo, e_res2: 0x1C to 0x3B
DOS_PROGRAM = bytes([0xB8, 0x01, 0x4C, 0xCD, 0x21])   # mov ax, 4C01h; int 21h
assert DOS_PROGRAM_OFFSET % 16 == 0 and DOS_PROGRAM_OFFSET + len(DOS_PROGRAM) <= LFANEW_OFFSET
COFF_HEADER_SIZE = 20
SECTION_HEADER_SIZE = 40
# Offsets in the optional header of a PE32 image.
FILE_ALIGNMENT, SIZE_OF_HEADERS, CHECKSUM = 36, 60, 64


def compact(data):
    lfanew = struct.unpack_from('<I', data, LFANEW_OFFSET)[0]
    if data[lfanew:lfanew + 4] != b'PE\0\0':
        raise ValueError('no PE signature at e_lfanew')
    coff = lfanew + 4
    sections, optional_size = struct.unpack_from('<H12xH', data, coff + 2)
    optional = coff + COFF_HEADER_SIZE
    file_alignment = struct.unpack_from('<I', data, optional + FILE_ALIGNMENT)[0]
    old_headers = struct.unpack_from('<I', data, optional + SIZE_OF_HEADERS)[0]
    headers_end = optional + optional_size + sections * SECTION_HEADER_SIZE
    if lfanew < NEW_LFANEW or headers_end > old_headers:
        raise ValueError('unexpected header layout')
    moved_end = headers_end - lfanew + NEW_LFANEW
    new_headers = (moved_end + file_alignment - 1) // file_alignment * file_alignment
    saved = old_headers - new_headers
    if saved <= 0:
        return data
    out = bytearray(data[:DOS_HEADER_SIZE])
    out[0x1C:LFANEW_OFFSET] = bytes(LFANEW_OFFSET - 0x1C)
    out[DOS_PROGRAM_OFFSET:DOS_PROGRAM_OFFSET + len(DOS_PROGRAM)] = DOS_PROGRAM
    struct.pack_into('<H', out, HEADER_PARAGRAPHS_OFFSET, DOS_PROGRAM_OFFSET // 16)
    struct.pack_into('<HH', out, ENTRY_IP_OFFSET, 0, 0)
    struct.pack_into('<I', out, LFANEW_OFFSET, NEW_LFANEW)
    out += data[lfanew:headers_end]
    out += bytes(new_headers - len(out))
    out += data[old_headers:]
    optional = NEW_LFANEW + 4 + COFF_HEADER_SIZE
    struct.pack_into('<I', out, optional + SIZE_OF_HEADERS, new_headers)
    # The checksum the linker wrote (if any) no longer holds.
    struct.pack_into('<I', out, optional + CHECKSUM, 0)
    table = optional + optional_size
    for i in range(sections):
        raw_pointer = table + i * SECTION_HEADER_SIZE + 20
        pointer = struct.unpack_from('<I', out, raw_pointer)[0]
        if pointer:
            struct.pack_into('<I', out, raw_pointer, pointer - saved)
    return bytes(out)


if __name__ == '__main__':
    path = sys.argv[1]
    data = open(path, 'rb').read()
    compacted = compact(data)
    if compacted != data:
        open(path, 'wb').write(compacted)
