#include "builder/input/zip_reader.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "archive/extra_fields.h"
#include "archive/zip_format.h"
#include "builder/common/system.h"
#include "builder/input/name_decision.h"
#include "builder/members/member_data.h"
#include "builder/members/name_text.h"
#include "base/byte_order.h"

namespace {

const char kTooLarge[] = "larger than 4 GiB (ZIP64 archives are taken only when every size and offset fits in 32 bits)";
const char kSplit[] = "is split over several files (split and multi-disk archives are not supported)";

uint64_t ReadLe64(const uint8_t *p) {
    return ReadLe32(p) | ((uint64_t)ReadLe32(p + 4) << 32);
}

// The ZIP being read: bytes in memory, or a file read a part at a time
// (its members' data is then left where it is, as spans of the file).
struct ZipInput {
    const std::vector<uint8_t> *memory = nullptr;
    std::string path;
    FILE *file = nullptr;
    uint64_t size = 0;
};

// The `n` bytes at `at`; false when they are not all there.
bool Fetch(const ZipInput &in, uint64_t at, size_t n, std::vector<uint8_t> &out) {
    if (at > in.size || n > in.size - at)
        return false;
    if (in.memory) {
        out.assign(in.memory->begin() + (size_t)at, in.memory->begin() + (size_t)at + n);
        return true;
    }
    out.resize(n);
    return n == 0 || (SeekFile(in.file, at) && fread(out.data(), 1, n, in.file) == n);
}

// The little-endian u32 at `at`, 0 when it is not all there.
uint32_t Fetch32(const ZipInput &in, uint64_t at) {
    std::vector<uint8_t> bytes;
    return Fetch(in, at, 4, bytes) ? ReadLe32(bytes.data()) : 0;
}

// Where the central directory lies. `delta` is where it really starts minus
// where the records say it does: the bytes standing in front of the archive,
// added to every stored offset.
struct DirectoryFacts {
    uint64_t endRecord = 0;        // the classic end record
    uint64_t directoryStart = 0;
    uint64_t directoryEnd = 0;     // the ZIP64 end record, or the classic one
    uint32_t entries = 0;
    uint64_t delta = 0;
    std::string comment;
    std::vector<uint8_t> directory;   // [directoryStart, directoryEnd)
};

// The last end record whose comment fits in the file, searching backwards
// over the largest possible comment.
bool FindEndRecord(const ZipInput &in, uint64_t &position) {
    if (in.size < kEndRecordSize)
        return false;
    uint64_t last = in.size - kEndRecordSize;
    uint64_t first = last > kMaxCommentLength ? last - kMaxCommentLength : 0;
    std::vector<uint8_t> tail;
    if (!Fetch(in, first, (size_t)(in.size - first), tail))
        return false;
    for (uint64_t at = last + 1; at-- > first;) {
        const uint8_t *p = tail.data() + (at - first);
        if (ReadLe32(p) == kEndSignature && at + kEndRecordSize + ReadLe16(p + kEndCommentLength) <= in.size) {
            position = at;
            return true;
        }
    }
    return false;
}

// Takes the directory's size, offset and entry count, with the directory
// ending at `directoryEnd`; false when they do not describe a directory
// there (a first central record at its start, or nothing when it is empty).
bool PlaceDirectory(const ZipInput &in, uint64_t directoryEnd, uint64_t size, uint64_t offset, uint64_t entries,
                    DirectoryFacts &facts) {
    if (size > directoryEnd)
        return false;
    uint64_t start = directoryEnd - size;
    if (offset > start || (entries == 0) != (size == 0))
        return false;
    if (entries > 0 && (start + 4 > in.size || Fetch32(in, start) != kCentralSignature))
        return false;
    facts.directoryStart = start;
    facts.directoryEnd = directoryEnd;
    facts.delta = start - offset;
    facts.entries = (uint32_t)entries;
    return true;
}

// Reads the ZIP64 end record through the locator in front of the classic
// end record.
bool ReadZip64Directory(const ZipInput &in, const std::string &file, DirectoryFacts &facts, Failure &failure) {
    uint64_t locator = facts.endRecord - kZip64LocatorSize;
    std::vector<uint8_t> locatorBytes, recordBytes;
    Fetch(in, locator, kZip64LocatorSize, locatorBytes);
    const uint8_t *l = locatorBytes.data();
    if (ReadLe32(l + kZip64LocatorEndDisk) != 0 || ReadLe32(l + kZip64LocatorDisks) > 1)
        return Fail(failure, file, kSplit);
    // The record normally stands right before the locator; its stored offset
    // counts from the archive's start, which leading bytes move.
    uint64_t record = locator >= kZip64EndRecordSize ? locator - kZip64EndRecordSize : 0;
    uint64_t stored = ReadLe64(l + kZip64LocatorEndOffset);
    if (Fetch32(in, record) != kZip64EndSignature && stored + kZip64EndRecordSize <= locator &&
        Fetch32(in, stored) == kZip64EndSignature)
        record = stored;
    if (locator < kZip64EndRecordSize || !Fetch(in, record, kZip64EndRecordSize, recordBytes) ||
        ReadLe32(recordBytes.data()) != kZip64EndSignature)
        return Fail(failure, file, "is damaged: its ZIP64 end record is missing");
    const uint8_t *r = recordBytes.data();
    if (ReadLe32(r + kZip64EndThisDisk) != 0 || ReadLe32(r + kZip64EndDirectoryDisk) != 0 ||
        ReadLe64(r + kZip64EndEntriesHere) != ReadLe64(r + kZip64EndEntriesTotal))
        return Fail(failure, file, kSplit);
    uint64_t entries = ReadLe64(r + kZip64EndEntriesTotal);
    uint64_t size = ReadLe64(r + kZip64EndDirectorySize);
    uint64_t offset = ReadLe64(r + kZip64EndDirectoryOffset);
    if (entries >= kZip64Marker16)
        return Fail(failure, file, "has " + std::to_string(entries) + " members (at most 65534 fit an archive without ZIP64)");
    if (size >= kZip64Marker32 || offset >= kZip64Marker32)
        return Fail(failure, file, std::string("is ") + kTooLarge);
    if (!PlaceDirectory(in, record, size, offset, entries, facts))
        return Fail(failure, file, "is damaged: the central directory is not where its ZIP64 end record says");
    return true;
}

bool ReadDirectoryFacts(const ZipInput &in, const std::string &file, DirectoryFacts &facts, Failure &failure) {
    std::vector<uint8_t> end;
    if (!FindEndRecord(in, facts.endRecord) || !Fetch(in, facts.endRecord, kEndRecordSize, end))
        return Fail(failure, file, "is not a ZIP archive (it has no end of central directory record)");
    const uint8_t *p = end.data();
    std::vector<uint8_t> comment;
    Fetch(in, facts.endRecord + kEndRecordSize, ReadLe16(p + kEndCommentLength), comment);
    facts.comment.assign(comment.begin(), comment.end());
    uint16_t thisDisk = ReadLe16(p + kEndThisDisk), directoryDisk = ReadLe16(p + kEndDirectoryDisk);
    uint16_t here = ReadLe16(p + kEndEntriesHere), entries = ReadLe16(p + kEndEntriesTotal);
    uint32_t size = ReadLe32(p + kEndDirectorySize), offset = ReadLe32(p + kEndDirectoryOffset);
    bool marked = thisDisk == kZip64Marker16 || directoryDisk == kZip64Marker16 || here == kZip64Marker16 ||
                  entries == kZip64Marker16 || size == kZip64Marker32 || offset == kZip64Marker32;
    // A complete, consistent classic record is taken as it stands, whatever
    // bytes before it look like a ZIP64 locator.
    if (!marked && (thisDisk != 0 || directoryDisk != 0 || here != entries))
        return Fail(failure, file, kSplit);
    bool placed = !marked && PlaceDirectory(in, facts.endRecord, size, offset, entries, facts);
    bool locator = !placed && facts.endRecord >= kZip64LocatorSize &&
                   Fetch32(in, facts.endRecord - kZip64LocatorSize) == kZip64LocatorSignature;
    if (!placed && locator && !ReadZip64Directory(in, file, facts, failure))
        return false;
    if (!placed && !locator)
        return Fail(failure, file, marked ? "is damaged: its end record refers to ZIP64 records that are missing"
                                          : "is damaged: the central directory is not where the end record says");
    // The directory is read whole: its records are what the build keeps of
    // every member anyway.
    if (!Fetch(in, facts.directoryStart, (size_t)(facts.directoryEnd - facts.directoryStart), facts.directory))
        return Fail(failure, file, "cannot be read: " + std::string(strerror(errno)));
    return true;
}

// Replaces each of `fields` that carries the marker by the next value of
// the ZIP64 extra field in `extra`, in the fields' fixed order: 8 bytes each,
// the disk number (the fourth field of a central record) 4. Fails when the
// field is missing or short, or a value does not fit in 32 bits.
bool ResolveMarkers(const uint8_t *extra, size_t length, uint32_t *const fields[], int count, bool &tooLarge) {
    uint16_t size = 0;
    const uint8_t *body = FindExtraField(extra, (uint32_t)length, kExtraZip64, &size);
    size_t at = 0;
    for (int i = 0; i < count; i++) {
        if (*fields[i] != kZip64Marker32)
            continue;
        size_t width = i == 3 ? 4 : 8;
        if (!body || at + width > size)
            return false;
        uint64_t value = width == 8 ? ReadLe64(body + at) : ReadLe32(body + at);
        at += width;
        if (value >= kZip64Marker32) {
            tooLarge = true;
            return false;
        }
        *fields[i] = (uint32_t)value;
    }
    return true;
}

// Drops ZIP64 extra fields; other fields are kept verbatim, and so is
// whatever follows a field that runs past the area (the stub's walk stops
// there too).
std::vector<uint8_t> WithoutZip64Extra(const uint8_t *extra, size_t length) {
    std::vector<uint8_t> kept(extra, extra + length);
    kept.resize(DropExtraFields(kept.data(), (uint32_t)kept.size(), kExtraZip64));
    return kept;
}

// With a data descriptor the local header may carry 0 for a value it did not
// know yet; any other value must agree with the central directory.
bool LocalValueAgrees(uint32_t local, uint32_t central, bool descriptor) {
    return local == central || (descriptor && local == 0);
}

// Reads the member whose central record starts at `record`, then checks its
// local header (found at the stored offset + delta) and takes its data.
bool ReadMember(const ZipInput &in, const std::string &file, const DirectoryFacts &facts, size_t record,
                ZipMember &member, size_t &recordLength, Failure &failure) {
    const std::vector<uint8_t> &directory = facts.directory;
    if (record + kCentralHeaderSize > directory.size() || ReadLe32(directory.data() + record) != kCentralSignature)
        return Fail(failure, file, "is damaged: a central directory record is missing or cut short");
    const uint8_t *c = directory.data() + record;
    size_t nameLength = ReadLe16(c + kCentralNameLength);
    size_t extraLength = ReadLe16(c + kCentralExtraLength);
    size_t commentLength = ReadLe16(c + kCentralCommentLength);
    recordLength = kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (record + recordLength > directory.size())
        return Fail(failure, file, "is damaged: a central directory record runs past the directory");
    const uint8_t *name = c + kCentralHeaderSize;
    const uint8_t *extra = name + nameLength;
    member.name.assign((const char *)name, nameLength);
    member.versionMadeBy = ReadLe16(c + kCentralVersionMadeBy);
    member.versionNeeded = ReadLe16(c + kCentralVersionNeeded);
    member.flags = ReadLe16(c + kCentralFlags);
    member.method = ReadLe16(c + kCentralMethod);
    member.crc = ReadLe32(c + kCentralCrc);
    member.uncompressedSize = ReadLe32(c + kCentralUncompressedSize);
    uint32_t compressedSize = ReadLe32(c + kCentralCompressedSize);
    uint32_t localOffset = ReadLe32(c + kCentralLocalOffset);
    uint32_t diskStart = ReadLe16(c + kCentralDiskStart);
    member.centralExtra = WithoutZip64Extra(extra, extraLength);
    member.comment.assign((const char *)extra + extraLength, commentLength);
    member.internalAttributes = ReadLe16(c + kCentralInternalAttributes);
    member.externalAttributes = ReadLe32(c + kCentralExternalAttributes);
    std::string quoted = "member '" + DisplayName(member.name, member.flags, member.centralExtra) + "'";

    if (diskStart == kZip64Marker16)
        diskStart = kZip64Marker32;
    uint32_t *const centralFields[] = {&member.uncompressedSize, &compressedSize, &localOffset, &diskStart};
    bool tooLarge = false;
    if (!ResolveMarkers(extra, extraLength, centralFields, 4, tooLarge))
        return Fail(failure, file, quoted + (tooLarge ? std::string(" is ") + kTooLarge
                                                      : " is damaged: its ZIP64 extra field is missing or short"));
    if (diskStart != 0)
        return Fail(failure, file, kSplit);
    if (member.versionNeeded == kVersionZip64)
        member.versionNeeded = kVersionDefault;   // written out with classic records only

    uint64_t local = (uint64_t)localOffset + facts.delta;
    std::vector<uint8_t> header;
    if (!Fetch(in, local, kLocalHeaderSize, header) || ReadLe32(header.data()) != kLocalSignature)
        return Fail(failure, file, quoted + " is damaged: there is no local header where the directory says");
    size_t localNameLength = ReadLe16(header.data() + kLocalNameLength);
    size_t localExtraLength = ReadLe16(header.data() + kLocalExtraLength);
    uint64_t dataStart = local + kLocalHeaderSize + localNameLength + localExtraLength;
    std::vector<uint8_t> nameAndExtra;
    if (!Fetch(in, local + kLocalHeaderSize, localNameLength + localExtraLength, nameAndExtra))
        return Fail(failure, file, quoted + " is damaged: its local header is cut short");
    header.insert(header.end(), nameAndExtra.begin(), nameAndExtra.end());
    const uint8_t *l = header.data();
    const uint8_t *localExtra = l + kLocalHeaderSize + localNameLength;
    uint16_t localFlags = ReadLe16(l + kLocalFlags);
    bool descriptor = (localFlags & kFlagBitDescriptor) != 0;
    uint32_t localCompressed = ReadLe32(l + kLocalCompressedSize);
    uint32_t localUncompressed = ReadLe32(l + kLocalUncompressedSize);
    uint32_t *const localFields[] = {&localUncompressed, &localCompressed};
    tooLarge = false;
    // Before a data descriptor the local sizes are placeholders that a
    // streaming writer may leave without a ZIP64 field; they are not used.
    bool resolved = ResolveMarkers(localExtra, localExtraLength, localFields, 2, tooLarge);
    if (!resolved && descriptor)
        localCompressed = localUncompressed = 0;
    else if (!resolved)
        return Fail(failure, file, quoted + (tooLarge ? std::string(" is ") + kTooLarge
                                                      : " is damaged: its local ZIP64 extra field is missing or short"));
    const uint16_t kFlagsThatMatter = kFlagBitEncrypted | kFlagBitDescriptor | kFlagBitUtf8;
    if (localNameLength != nameLength ||
        std::string((const char *)l + kLocalHeaderSize, localNameLength) != member.name ||
        ReadLe16(l + kLocalMethod) != member.method ||
        (localFlags & kFlagsThatMatter) != (member.flags & kFlagsThatMatter) ||
        !LocalValueAgrees(ReadLe32(l + kLocalCrc), member.crc, descriptor) ||
        !LocalValueAgrees(localCompressed, compressedSize, descriptor) ||
        !LocalValueAgrees(localUncompressed, member.uncompressedSize, descriptor))
        return Fail(failure, file, quoted + " is damaged: its local header contradicts the central directory");
    if (dataStart + compressedSize > facts.directoryStart)
        return Fail(failure, file, quoted + " is damaged: its data runs into the central directory");
    // The local header's time is the one the stub uses, and with a data
    // descriptor its high byte is the encryption header's check byte.
    member.time = ReadLe16(l + kLocalTime);
    member.date = ReadLe16(l + kLocalDate);
    member.localExtra = WithoutZip64Extra(localExtra, localExtraLength);
    if (in.memory) {
        Fetch(in, dataStart, compressedSize, member.data);
    } else {
        member.span.file = in.path;
        member.span.offset = dataStart;
        member.span.length = compressedSize;
    }
    return true;
}

}  // namespace

bool IsStubMethod(const ZipMember &member) {
    return member.method == kMethodStored || member.method == kMethodDeflated;
}

namespace {

bool ReadZipInput(const ZipInput &in, const std::string &file, const ZipReadOptions &options, ZipArchive &archive,
                  std::vector<std::string> &warnings, Failure &failure) {
    DirectoryFacts facts;
    if (!ReadDirectoryFacts(in, file, facts, failure))
        return false;
    archive.members.clear();
    archive.comment = facts.comment;
    size_t record = 0;
    for (unsigned i = 0; i < facts.entries; i++) {
        ZipMember member;
        size_t length = 0;
        if (!ReadMember(in, file, facts, record, member, length, failure))
            return false;
        archive.members.push_back(std::move(member));
        record += length;
    }
    if (record != facts.directory.size())
        return Fail(failure, file, "is damaged: its central directory does not hold the number of members the end "
                                   "record gives");
    if (!DecideNames(archive, options.nameCodePage, file, warnings, failure))
        return false;
    // Names are judged as the stub reads them, from the local header.
    // A member of another method is judged as it will be once decoded and
    // deflated again, unless it is encrypted (AES included: kept refused).
    for (const ZipMember &member : archive.members) {
        ZipMember judged = member;
        if (options.otherMethods && !IsStubMethod(member) && member.method != kMethodAes &&
            !(member.flags & kFlagBitEncrypted))
            judged.method = kMethodDeflated;
        std::string refusal = MemberRefusal(judged);
        if (!refusal.empty())
            return Fail(failure, file, "member '" + MemberDisplayName(member) + "' " + refusal);
    }
    uint64_t total = 0;
    for (const ZipMember &member : archive.members)
        total += DataSize(member);
    if (options.progress)
        StartProgress(*options.progress, archive.members.size(), total);
    for (const ZipMember &member : archive.members) {
        Failure unread;
        DataCheck check = IsStubMethod(member) ? CheckMemberData(member, unread) : kDataNone;
        if (!unread.cause.empty())
            return Fail(failure, file, "cannot be read: " + unread.cause);
        if (check == kDataDamaged) {
            std::string what = "member '" + MemberDisplayName(member) + "' fails its CRC or size check (its data is damaged)";
            if (!options.allowDamaged)
                return Fail(failure, file, what + "; --allow-damaged takes it as it is");
            warnings.push_back(what);
        }
        if (options.progress)
            AdvanceProgress(*options.progress, DataSize(member));
    }
    return true;
}

}  // namespace

bool ReadZipArchive(const std::vector<uint8_t> &bytes, const std::string &file, const ZipReadOptions &options,
                    ZipArchive &archive, std::vector<std::string> &warnings, Failure &failure) {
    ZipInput in;
    in.memory = &bytes;
    in.size = bytes.size();
    return ReadZipInput(in, file, options, archive, warnings, failure);
}

bool ReadZipFile(const std::string &file, const ZipReadOptions &options, ZipArchive &archive,
                 std::vector<std::string> &warnings, Failure &failure) {
    if (IsFolder(file))
        return Fail(failure, file, "is a folder, not a file");
    ZipInput in;
    in.path = file;
    in.file = OpenFile(file, "rb");
    if (!in.file)
        return Fail(failure, file, strerror(errno));
#ifdef _WIN32
    long long end = _fseeki64(in.file, 0, SEEK_END) == 0 ? _ftelli64(in.file) : -1;
#else
    long long end = fseeko(in.file, 0, SEEK_END) == 0 ? (long long)ftello(in.file) : -1;
#endif
    in.size = end < 0 ? 0 : (uint64_t)end;
    bool read = end >= 0 ? ReadZipInput(in, file, options, archive, warnings, failure)
                         : Fail(failure, file, strerror(errno));
    fclose(in.file);
    return read;
}
