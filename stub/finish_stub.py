#!/usr/bin/env python3
"""Finishes a linked stub in two steps.

The resource directory: the resources lie among the constants in the code
section, which spares the padding of a section of their own, but the
linker fills the header's resource directory entry only from a section
named .rsrc; it is set here from the symbols __resources_start__ and
__resources_end__ that the linker script places around them, read from the
link map.

The headers: moves the PE headers of a linked stub up to the end of the MS-DOS header,
so that they fit the first 512-byte block of the file instead of two: the
linker always writes a 64-byte MS-DOS program with its message behind the
MS-DOS header, which pushes the headers past 512 bytes. The headers then
keep room for exactly one more section table entry, the one the builder
adds. The MS-DOS program left is five bytes in the header's reserved words
(a 32-byte header, so the program starts at offset 0x20) and ends with
exit code 1 (mov ax, 4C01h; int 21h), as the linker's does after its
message. Every section's file offset moves down by the bytes saved;
nothing in memory moves.
Usage: finish_stub.py STUB.exe LINK.map (the stub rewritten in place)"""
import re
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
IMAGE_BASE, FILE_ALIGNMENT, SIZE_OF_HEADERS, CHECKSUM = 28, 36, 60, 64
DATA_DIRECTORIES = 96
RESOURCE_DIRECTORY = 2


def map_symbol(link_map, name):
    """The address the link map gives the script symbol name."""
    found = re.search(r'^\s+0x([0-9a-fA-F]+)\s+' + re.escape(name) + r' = ', link_map, re.M)
    if not found:
        raise ValueError('%s is not in the link map' % name)
    return int(found.group(1), 16)


def set_resource_directory(data, link_map):
    lfanew = struct.unpack_from('<I', data, LFANEW_OFFSET)[0]
    optional = lfanew + 4 + COFF_HEADER_SIZE
    image_base = struct.unpack_from('<I', data, optional + IMAGE_BASE)[0]
    start = map_symbol(link_map, '__resources_start__')
    end = map_symbol(link_map, '__resources_end__')
    if not image_base < start < end:
        raise ValueError('no resources between the symbols')
    out = bytearray(data)
    struct.pack_into('<II', out, optional + DATA_DIRECTORIES + 8 * RESOURCE_DIRECTORY, start - image_base, end - start)
    return bytes(out)


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
    # Room for one more entry: the builder's section.
    moved_end = headers_end - lfanew + NEW_LFANEW + SECTION_HEADER_SIZE
    new_headers = (moved_end + file_alignment - 1) // file_alignment * file_alignment
    saved = old_headers - new_headers
    if saved < 0:
        raise ValueError('the headers do not fit where they were')
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
    finished = compact(set_resource_directory(data, open(sys.argv[2]).read()))
    open(path, 'wb').write(finished)
