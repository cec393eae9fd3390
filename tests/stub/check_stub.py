#!/usr/bin/env python3
"""Checks a built stub: a PE32 GUI image within the size limit that imports
only from a few system DLLs, keeps ASLR and NX (with the base relocations
that ASLR needs, and no section both writable and executable), whose
resources are one icon group with two images and the application manifest
(asInvoker, the supported systems from Windows Vista on, DPI- and
long-path-aware), that holds the ConfigRecord defaults exactly once (the
builder finds the record by its marker) and no ZIP signature as contiguous
bytes.
Usage: check_stub.py STUB.exe; prints the size and the findings, exits 1 on
       a failure.
       check_stub.py --manifest IMAGE; writes the image's manifest to stdout."""
import struct
import sys
import xml.etree.ElementTree as ElementTree

# Every image carries the stub, so its size is a target of its own. The aim
# is 28,672 bytes, at most 29,184; the unattended switches, the run log and
# the wide texts and boxes take it to that most.
SIZE_LIMIT = 29184
# System libraries that Windows maps from its own folder whatever lies beside
# the program. The shell is not among the imports: the stub loads it from the
# system folder itself.
ALLOWED_DLLS = {'KERNEL32.DLL', 'USER32.DLL', 'GDI32.DLL', 'ADVAPI32.DLL'}
MARKER = b'KVB\x01sfx\x02'
# The stub's record: marker, zeros, 8 in the first u32 of the second
# reserved field, zeros (see image/config_record.cpp).
DEFAULT_RECORD = MARKER + bytes(36) + struct.pack('<I', 8) + bytes(12)
SIGNATURES = [b'PK\x03\x04', b'PK\x01\x02', b'PK\x05\x06', b'PK00', b'PK\x07\x08']
RT_ICON, RT_GROUP_ICON, RT_MANIFEST = 3, 14, 24
MANIFEST_ID = 1   # CREATEPROCESS_MANIFEST_RESOURCE_ID: the manifest the loader reads for a program
ASM_V1 = '{urn:schemas-microsoft-com:asm.v1}'
# Windows Vista, 7, 8, 8.1, and 10 and 11.
SUPPORTED_OS = {'{e2011457-1546-43c5-a5fe-008deee3d3f0}', '{35138b9a-5d96-4fbd-8e2d-a2440225f93a}',
                '{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}', '{1f676c76-80e1-4239-95bb-83d0f6d0da78}',
                '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}'}
DYNAMIC_BASE, NX_COMPAT = 0x40, 0x100
BASE_RELOCATION_DIRECTORY = 5
SCN_EXECUTE, SCN_WRITE = 0x20000000, 0x80000000


class Pe:
    def __init__(self, data):
        self.data = data
        lfanew = struct.unpack_from('<I', data, 0x3C)[0]
        if data[lfanew:lfanew + 4] != b'PE\0\0':
            raise ValueError('no PE signature')
        self.machine, count, _, _, _, optional_size, _ = struct.unpack_from('<HHIIIHH', data, lfanew + 4)
        optional = lfanew + 24
        self.magic = struct.unpack_from('<H', data, optional)[0]
        self.subsystem = struct.unpack_from('<H', data, optional + 68)[0]
        self.dll_characteristics = struct.unpack_from('<H', data, optional + 70)[0]
        self.directories = [struct.unpack_from('<II', data, optional + 96 + 8 * i) for i in range(16)]
        self.sections = []
        table = optional + optional_size
        for i in range(count):
            name, vsize, va, rsize, raw = struct.unpack_from('<8sIIII', data, table + 40 * i)
            self.sections.append((name.rstrip(b'\0').decode(), va, max(vsize, rsize), raw))
        self.characteristics = [struct.unpack_from('<I', data, table + 40 * i + 36)[0] for i in range(count)]

    def offset(self, rva):
        for _, va, size, raw in self.sections:
            if va <= rva < va + size:
                return rva - va + raw
        raise ValueError('rva %#x outside the sections' % rva)

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b'\0', at)].decode()

    def imports(self):
        found = {}
        rva = self.directories[1][0]
        while True:
            lookup, _, _, name, thunks = struct.unpack_from('<IIIII', self.data, self.offset(rva))
            if name == 0:
                return found
            functions = []
            at = self.offset(lookup or thunks)
            while True:
                entry = struct.unpack_from('<I', self.data, at)[0]
                if entry == 0:
                    break
                functions.append('#%d' % (entry & 0xFFFF) if entry & 0x80000000 else self.text(entry + 2))
                at += 4
            found[self.text(name)] = functions
            rva += 20

    def _entries(self, at):
        named, ids = struct.unpack_from('<HH', self.data, at + 12)
        return [struct.unpack_from('<II', self.data, at + 16 + 8 * i) for i in range(named + ids)]

    def resource_types(self):
        """{type id: number of entries one level below it}"""
        base = self.offset(self.directories[2][0])
        types = {}
        for type_id, target in self._entries(base):
            types[type_id] = len(self._entries(base + (target & 0x7FFFFFFF)))
        return types

    def resource(self, type_id, name_id):
        """The bytes of the first language of resource type_id/name_id, or None."""
        base = self.offset(self.directories[2][0])
        at = base
        for wanted in (type_id, name_id, None):
            found = [target for entry, target in self._entries(at) if wanted is None or entry == wanted]
            if not found:
                return None
            at = base + (found[0] & 0x7FFFFFFF)
        rva, size = struct.unpack_from('<II', self.data, at)
        return self.data[self.offset(rva):self.offset(rva) + size]


def manifest_failures(manifest):
    """What the application manifest lacks, as messages."""
    if manifest is None:
        return ['no application manifest (resource type 24, id 1)']
    try:
        root = ElementTree.fromstring(manifest)
    except ElementTree.ParseError as error:
        return ['the manifest is not well-formed XML: %s' % error]
    found = {}
    for element in root.iter():
        local = element.tag.split('}')[-1]
        found.setdefault(local, []).append(element)
    failures = []
    if root.tag != ASM_V1 + 'assembly' or root.get('manifestVersion') != '1.0':
        failures.append('the manifest is not an asm.v1 assembly of version 1.0')
    levels = [e.get('level') for e in found.get('requestedExecutionLevel', [])]
    if levels != ['asInvoker']:
        failures.append('requested execution levels %s, not asInvoker alone' % levels)
    systems = {e.get('Id') for e in found.get('supportedOS', [])}
    if systems != SUPPORTED_OS:
        failures.append('supported systems %s' % sorted(systems))
    for setting in ('dpiAware', 'longPathAware'):
        values = [(e.text or '').strip() for e in found.get(setting, [])]
        if values != ['true']:
            failures.append('%s is %s, not true' % (setting, values))
    return failures


def check(path):
    data = open(path, 'rb').read()
    pe = Pe(data)
    failures = []

    def expect(condition, message):
        if not condition:
            failures.append(message)

    expect(pe.machine == 0x14C and pe.magic == 0x10B, 'not a PE32 i386 image')
    expect(pe.subsystem == 2, 'subsystem %d, not GUI' % pe.subsystem)
    expect(len(data) <= SIZE_LIMIT, 'size %d over %d' % (len(data), SIZE_LIMIT))
    expect(pe.dll_characteristics & DYNAMIC_BASE, 'no ASLR (DYNAMIC_BASE clear)')
    expect(pe.dll_characteristics & NX_COMPAT, 'no NX (NX_COMPAT clear)')
    expect(pe.directories[BASE_RELOCATION_DIRECTORY][1] > 0, 'no base relocations')
    for (name, _, _, _), flags in zip(pe.sections, pe.characteristics):
        expect(not (flags & SCN_EXECUTE and flags & SCN_WRITE), 'section %s is writable and executable' % name)
    imports = pe.imports()
    expect(set(n.upper() for n in imports) <= ALLOWED_DLLS, 'imports from %s' % sorted(imports))
    expect(data.count(MARKER) == 1, 'marker found %d times' % data.count(MARKER))
    expect(DEFAULT_RECORD in data, 'the ConfigRecord defaults are not in the file')
    for signature in SIGNATURES:
        expect(signature not in data, 'ZIP signature %r at %#x' % (signature, data.find(signature)))
    types = pe.resource_types()
    expect(types == {RT_ICON: 2, RT_GROUP_ICON: 1, RT_MANIFEST: 1},
           'resources %s, not one icon group of two images and one manifest' % types)
    manifest = pe.resource(RT_MANIFEST, MANIFEST_ID)
    for failure in manifest_failures(manifest):
        expect(False, failure)

    print('%s: %d bytes (limit %d, %d left), sections %s' %
          (path, len(data), SIZE_LIMIT, SIZE_LIMIT - len(data), ' '.join(s[0] for s in pe.sections)))
    for dll, functions in imports.items():
        print('  %s: %s' % (dll, ' '.join(functions)))
    for failure in failures:
        print('FAIL: ' + failure)
    return not failures


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == '--manifest':
        found = Pe(open(sys.argv[2], 'rb').read()).resource(RT_MANIFEST, MANIFEST_ID)
        if found is None:
            sys.exit('%s: no application manifest' % sys.argv[2])
        sys.stdout.buffer.write(found)
        sys.exit(0)
    sys.exit(0 if check(sys.argv[1]) else 1)
