#include "builder/zip_reader.h"

#include "archive/zip_format.h"
#include "image/byte_order.h"

namespace {

// The end record's facts. `delta` is where the directory really starts minus
// where the end record says it does: the bytes standing in front of the
// archive, added to every stored offset.
struct EndRecordFacts {
    size_t position = 0;
    uint16_t entries = 0;
    size_t directoryStart = 0;
    size_t delta = 0;
    std::string comment;
};

// The last end record whose comment fits in the file, searching backwards
// over the largest possible comment.
bool FindEndRecord(const std::vector<uint8_t> &bytes, size_t &position) {
    if (bytes.size() < kEndRecordSize)
        return false;
    size_t last = bytes.size() - kEndRecordSize;
    size_t first = last > kMaxCommentLength ? last - kMaxCommentLength : 0;
    for (size_t at = last + 1; at-- > first;) {
        const uint8_t *p = bytes.data() + at;
        if (ReadLe32(p) == kEndSignature && at + kEndRecordSize + ReadLe16(p + kEndCommentLength) <= bytes.size()) {
            position = at;
            return true;
        }
    }
    return false;
}

bool ReadEndRecordFacts(const std::vector<uint8_t> &bytes, const std::string &file, EndRecordFacts &end,
                        Failure &failure) {
    if (!FindEndRecord(bytes, end.position))
        return Fail(failure, file, "not a ZIP archive (no end of central directory record)");
    const uint8_t *p = bytes.data() + end.position;
    if (end.position >= kZip64LocatorSize &&
        ReadLe32(p - kZip64LocatorSize) == kZip64LocatorSignature)
        return Fail(failure, file, "ZIP64 archives are not supported");
    if (ReadLe16(p + kEndThisDisk) != 0 || ReadLe16(p + kEndDirectoryDisk) != 0 ||
        ReadLe16(p + kEndEntriesHere) != ReadLe16(p + kEndEntriesTotal))
        return Fail(failure, file, "split or multi-disk archives are not supported");
    uint32_t size = ReadLe32(p + kEndDirectorySize);
    uint32_t offset = ReadLe32(p + kEndDirectoryOffset);
    end.entries = ReadLe16(p + kEndEntriesTotal);
    if (end.entries == kZip64Marker16 || size == kZip64Marker32 || offset == kZip64Marker32)
        return Fail(failure, file, "ZIP64 archives are not supported");
    if (size > end.position)
        return Fail(failure, file, "damaged archive: the central directory is larger than the file");
    end.directoryStart = end.position - size;
    if (offset > end.directoryStart)
        return Fail(failure, file, "damaged archive: the central directory is not where the end record says");
    end.delta = end.directoryStart - offset;
    end.comment.assign((const char *)p + kEndRecordSize, ReadLe16(p + kEndCommentLength));
    return true;
}

// Drops ZIP64 extra fields; other fields are kept verbatim. A malformed
// extra area is kept as it stands (the stub skips it unread).
std::vector<uint8_t> WithoutZip64Extra(const uint8_t *extra, size_t length) {
    std::vector<uint8_t> kept;
    size_t at = 0;
    while (at + 4 <= length) {
        size_t fieldLength = 4 + ReadLe16(extra + at + 2);
        if (at + fieldLength > length)
            return std::vector<uint8_t>(extra, extra + length);
        if (ReadLe16(extra + at) != kExtraZip64)
            kept.insert(kept.end(), extra + at, extra + at + fieldLength);
        at += fieldLength;
    }
    if (at != length)
        return std::vector<uint8_t>(extra, extra + length);
    return kept;
}

std::string Quoted(const std::string &name) {
    std::string text = "member '";
    for (unsigned char c : name)
        text += (c < 0x20 || c == 0x7F) ? '?' : (char)c;
    return text + "'";
}

// With a data descriptor the local header may carry 0 for a value it did not
// know yet; any other value must agree with the central directory.
bool LocalValueAgrees(uint32_t local, uint32_t central, bool descriptor) {
    return local == central || (descriptor && local == 0);
}

// Reads the member whose central record starts at `record`, then checks its
// local header (found at the stored offset + delta) and takes its data.
bool ReadMember(const std::vector<uint8_t> &bytes, const std::string &file, const EndRecordFacts &end,
                size_t record, ZipMember &member, size_t &recordLength, Failure &failure) {
    size_t directoryEnd = end.position;
    if (record + kCentralHeaderSize > directoryEnd || ReadLe32(bytes.data() + record) != kCentralSignature)
        return Fail(failure, file, "damaged archive: bad central directory record");
    const uint8_t *c = bytes.data() + record;
    size_t nameLength = ReadLe16(c + kCentralNameLength);
    size_t extraLength = ReadLe16(c + kCentralExtraLength);
    size_t commentLength = ReadLe16(c + kCentralCommentLength);
    recordLength = kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (record + recordLength > directoryEnd)
        return Fail(failure, file, "damaged archive: central directory record runs past the directory");
    const uint8_t *name = c + kCentralHeaderSize;
    member.name.assign((const char *)name, nameLength);
    member.versionMadeBy = ReadLe16(c + kCentralVersionMadeBy);
    member.versionNeeded = ReadLe16(c + kCentralVersionNeeded);
    member.flags = ReadLe16(c + kCentralFlags);
    member.method = ReadLe16(c + kCentralMethod);
    member.crc = ReadLe32(c + kCentralCrc);
    member.uncompressedSize = ReadLe32(c + kCentralUncompressedSize);
    uint32_t compressedSize = ReadLe32(c + kCentralCompressedSize);
    uint32_t localOffset = ReadLe32(c + kCentralLocalOffset);
    member.centralExtra = WithoutZip64Extra(name + nameLength, extraLength);
    member.comment.assign((const char *)name + nameLength + extraLength, commentLength);
    member.internalAttributes = ReadLe16(c + kCentralInternalAttributes);
    member.externalAttributes = ReadLe32(c + kCentralExternalAttributes);

    if (member.uncompressedSize == kZip64Marker32 || compressedSize == kZip64Marker32 ||
        localOffset == kZip64Marker32)
        return Fail(failure, file, "ZIP64 archives are not supported");
    if (ReadLe16(c + kCentralDiskStart) != 0)
        return Fail(failure, file, "split or multi-disk archives are not supported");
    std::string refusal = MemberRefusal(member);
    if (!refusal.empty())
        return Fail(failure, file, Quoted(member.name) + " " + refusal);

    size_t local = (size_t)localOffset + end.delta;
    if (local + kLocalHeaderSize > bytes.size() || ReadLe32(bytes.data() + local) != kLocalSignature)
        return Fail(failure, file, Quoted(member.name) + ": no local header at its stored offset");
    const uint8_t *l = bytes.data() + local;
    size_t localNameLength = ReadLe16(l + kLocalNameLength);
    size_t localExtraLength = ReadLe16(l + kLocalExtraLength);
    size_t dataStart = local + kLocalHeaderSize + localNameLength + localExtraLength;
    uint16_t localFlags = ReadLe16(l + kLocalFlags);
    bool descriptor = (localFlags & kFlagBitDescriptor) != 0;
    const uint16_t kFlagsThatMatter = kFlagBitEncrypted | kFlagBitDescriptor;
    if (localNameLength != nameLength || dataStart > bytes.size() ||
        std::string((const char *)l + kLocalHeaderSize, localNameLength) != member.name ||
        ReadLe16(l + kLocalMethod) != member.method ||
        (localFlags & kFlagsThatMatter) != (member.flags & kFlagsThatMatter) ||
        !LocalValueAgrees(ReadLe32(l + kLocalCrc), member.crc, descriptor) ||
        !LocalValueAgrees(ReadLe32(l + kLocalCompressedSize), compressedSize, descriptor) ||
        !LocalValueAgrees(ReadLe32(l + kLocalUncompressedSize), member.uncompressedSize, descriptor))
        return Fail(failure, file, Quoted(member.name) + ": local header contradicts the central directory");
    if (dataStart + compressedSize > end.directoryStart)
        return Fail(failure, file, Quoted(member.name) + ": data runs into the central directory");
    // The local header's time is the one the stub uses, and with a data
    // descriptor its high byte is the encryption header's check byte.
    member.time = ReadLe16(l + kLocalTime);
    member.date = ReadLe16(l + kLocalDate);
    member.localExtra = WithoutZip64Extra(l + kLocalHeaderSize + localNameLength, localExtraLength);
    member.data.assign(bytes.begin() + dataStart, bytes.begin() + dataStart + compressedSize);
    return true;
}

}  // namespace

bool ReadZipArchive(const std::vector<uint8_t> &bytes, const std::string &file, ZipArchive &archive,
                    Failure &failure) {
    EndRecordFacts end;
    if (!ReadEndRecordFacts(bytes, file, end, failure))
        return false;
    archive.members.clear();
    archive.comment = end.comment;
    size_t record = end.directoryStart;
    for (unsigned i = 0; i < end.entries; i++) {
        ZipMember member;
        size_t length = 0;
        if (!ReadMember(bytes, file, end, record, member, length, failure))
            return false;
        archive.members.push_back(std::move(member));
        record += length;
    }
    if (record != end.position)
        return Fail(failure, file, "damaged archive: the central directory does not hold the number of entries "
                                   "the end record gives");
    return true;
}
