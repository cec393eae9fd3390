#!/usr/bin/env python3
"""Changes a self-extractor image for a test: ConfigRecord fields by name,
single bytes, and (with --reseal) the stub checksum recomputed the way the
stub takes it, so that only the change under test is seen.

  patch_image.py IMAGE [--set FIELD=VALUE]... [--flip OFFSET]... [--reseal]

FIELD is one of the record's u32 fields (StubCrc, ArchiveOffset,
TextBlockOffset, EndRecordOffset, TotalSize, Flags, EntryPoint) or Complete;
VALUE may be decimal, 0x-hex, or +N / -N relative to the present value.
OFFSET may be negative (from the end), "code" (the first byte of the
first section), "textblock" (its first byte) or "member" (the first data byte
of the archive's first member). Prints the record after the change."""
import argparse
import struct
import zlib

MARKER = b'KVB\x01sfx\x02'
FIELDS = {'StubCrc': (8, '<I'), 'ArchiveOffset': (12, '<I'), 'TextBlockOffset': (16, '<I'),
          'EndRecordOffset': (20, '<I'), 'TotalSize': (24, '<I'), 'Flags': (28, '<I'),
          'Complete': (42, '<h'), 'EntryPoint': (54, '<I')}
CRC_SKIPS_HEADERS = 0x800


def field(data, record, name):
    at, form = FIELDS[name]
    return struct.unpack_from(form, data, record + at)[0]


def stub_checksum(data, record):
    n = field(data, record, 'ArchiveOffset')
    copy = bytearray(data[:n])
    first = copy.find(MARKER)
    for i in range(first + 8, min(first + 12, n)):
        copy[i] = 0
    start = 0
    if field(data, record, 'Flags') & CRC_SKIPS_HEADERS:
        start = struct.unpack_from('<I', copy, 0x3C)[0] + 248
    return zlib.crc32(bytes(copy[start:])) & 0xFFFFFFFF


def first_section_offset(data):
    lfanew = struct.unpack_from('<I', data, 0x3C)[0]
    optional_size = struct.unpack_from('<H', data, lfanew + 20)[0]
    return struct.unpack_from('<I', data, lfanew + 24 + optional_size + 20)[0]


def member_data_offset(data, record):
    header = field(data, record, 'ArchiveOffset')
    name_length, extra_length = struct.unpack_from('<HH', data, header + 26)
    return header + 30 + name_length + extra_length


def flip_offset(data, record, where):
    named = {'code': lambda: first_section_offset(data),
             'textblock': lambda: field(data, record, 'TextBlockOffset'),
             'member': lambda: member_data_offset(data, record)}
    return named[where]() if where in named else int(where, 0)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('image')
    parser.add_argument('--set', action='append', default=[])
    parser.add_argument('--flip', action='append', default=[])
    parser.add_argument('--reseal', action='store_true')
    args = parser.parse_args()
    data = bytearray(open(args.image, 'rb').read())
    record = data.find(MARKER)
    if record < 0:
        raise SystemExit('no ConfigRecord in ' + args.image)
    for assignment in args.set:
        name, value = assignment.split('=', 1)
        at, form = FIELDS[name]
        number = int(value, 0)
        if value[0] in '+-':
            number += field(data, record, name)
        struct.pack_into(form, data, record + at, number)
    for offset in args.flip:
        data[flip_offset(data, record, offset)] ^= 0x01
    if args.reseal and field(data, record, 'StubCrc') != 0:
        struct.pack_into('<I', data, record + 8, stub_checksum(data, record))
    open(args.image, 'wb').write(data)
    print(' '.join('%s=%#x' % (name, field(data, record, name)) for name in FIELDS))


if __name__ == '__main__':
    main()
