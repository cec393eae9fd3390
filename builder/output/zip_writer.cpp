#include "builder/output/zip_writer.h"

#include "archive/zip_format.h"
#include "base/byte_order.h"

static void Put16(std::vector<uint8_t> &out, uint16_t value) {
    uint8_t bytes[2];
    WriteLe16(bytes, value);
    out.insert(out.end(), bytes, bytes + 2);
}

static void Put32(std::vector<uint8_t> &out, uint32_t value) {
    uint8_t bytes[4];
    WriteLe32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
}

static void PutBytes(std::vector<uint8_t> &out, const void *data, size_t n) {
    const uint8_t *p = (const uint8_t *)data;
    out.insert(out.end(), p, p + n);
}

// The fields local and central headers share, from "version needed" to the
// uncompressed size.
static void PutCommonFields(std::vector<uint8_t> &out, const ZipMember &member) {
    Put16(out, member.versionNeeded);
    Put16(out, member.flags);
    Put16(out, member.method);
    Put16(out, member.time);
    Put16(out, member.date);
    Put32(out, member.crc);
    Put32(out, (uint32_t)DataSize(member));
    Put32(out, member.uncompressedSize);
}

void AppendLocalHeader(std::vector<uint8_t> &out, const ZipMember &member) {
    Put32(out, kLocalSignature);
    PutCommonFields(out, member);
    Put16(out, (uint16_t)member.name.size());
    Put16(out, (uint16_t)member.localExtra.size());
    PutBytes(out, member.name.data(), member.name.size());
    PutBytes(out, member.localExtra.data(), member.localExtra.size());
}

void AppendDescriptorIfFlagged(std::vector<uint8_t> &out, const ZipMember &member) {
    if (!(member.flags & kFlagBitDescriptor))
        return;
    Put32(out, kDescriptorSignature);
    Put32(out, member.crc);
    Put32(out, (uint32_t)DataSize(member));
    Put32(out, member.uncompressedSize);
}

void AppendCentralRecord(std::vector<uint8_t> &out, const ZipMember &member, uint16_t disk, uint32_t localOffset) {
    Put32(out, kCentralSignature);
    Put16(out, member.versionMadeBy);
    PutCommonFields(out, member);
    Put16(out, (uint16_t)member.name.size());
    Put16(out, (uint16_t)member.centralExtra.size());
    Put16(out, (uint16_t)member.comment.size());
    Put16(out, disk);
    Put16(out, member.internalAttributes);
    Put32(out, member.externalAttributes);
    Put32(out, localOffset);
    PutBytes(out, member.name.data(), member.name.size());
    PutBytes(out, member.centralExtra.data(), member.centralExtra.size());
    PutBytes(out, member.comment.data(), member.comment.size());
}

void AppendEndRecord(std::vector<uint8_t> &out, const DirectoryPlace &place, const std::string &comment) {
    Put32(out, kEndSignature);
    Put16(out, place.thisDisk);
    Put16(out, place.directoryDisk);
    Put16(out, place.entriesHere);
    Put16(out, place.entriesTotal);
    Put32(out, place.directorySize);
    Put32(out, place.directoryOffset);
    Put16(out, (uint16_t)comment.size());
    PutBytes(out, comment.data(), comment.size());
}

uint64_t LocalRecordSize(const ZipMember &member) {
    uint64_t size = kLocalHeaderSize + member.name.size() + member.localExtra.size() + DataSize(member);
    return size + ((member.flags & kFlagBitDescriptor) ? kDescriptorSize : 0);
}

bool ArchiveLayout(const ZipArchive &archive, uint64_t base, uint64_t &size, uint64_t &endRecord, Failure &failure) {
    if (archive.members.size() >= kZip64Marker16) {
        return Fail(failure, "", "too many members (" + std::to_string(archive.members.size()) + ") for an archive without ZIP64");
    }
    uint64_t total = 0;
    for (const ZipMember &member : archive.members)
        total += LocalRecordSize(member) + kCentralHeaderSize + member.name.size() + member.centralExtra.size() +
                 member.comment.size();
    if (base + total + kEndRecordSize + archive.comment.size() > kZip64Marker32) {
        return Fail(failure, "", "the image would exceed 4 GiB");
    }
    endRecord = total;
    size = total + kEndRecordSize + archive.comment.size();
    return true;
}

bool StreamLocalRecord(const ZipMember &member, const ByteSink &sink, Failure &failure) {
    std::vector<uint8_t> piece;
    AppendLocalHeader(piece, member);
    if (!sink(piece.data(), piece.size()) || !ReadMemberData(member, sink, failure))
        return false;
    piece.clear();
    AppendDescriptorIfFlagged(piece, member);
    return sink(piece.data(), piece.size());
}

bool StreamArchive(const ZipArchive &archive, uint64_t base, const ByteSink &sink, Failure &failure) {
    uint64_t size = 0, endRecord = 0;
    if (!ArchiveLayout(archive, base, size, endRecord, failure))
        return false;
    // Headers go out as they are made; the directory, a few dozen bytes a
    // member, is gathered and written last.
    uint64_t at = base;
    std::vector<uint8_t> directory;
    for (const ZipMember &member : archive.members) {
        AppendCentralRecord(directory, member, 0, (uint32_t)at);
        if (!StreamLocalRecord(member, sink, failure))
            return false;
        at += LocalRecordSize(member);
    }
    DirectoryPlace place;
    place.directoryOffset = (uint32_t)at;
    place.directorySize = (uint32_t)directory.size();
    place.entriesHere = place.entriesTotal = (uint16_t)archive.members.size();
    AppendEndRecord(directory, place, archive.comment);
    return sink(directory.data(), directory.size());
}

bool WriteArchive(const ZipArchive &archive, uint64_t base, WrittenArchive &written, Failure &failure) {
    uint64_t size = 0, endRecord = 0;
    if (!ArchiveLayout(archive, base, size, endRecord, failure))
        return false;
    std::vector<uint8_t> &out = written.bytes;
    out.clear();
    out.reserve((size_t)size);
    written.endRecord = (size_t)endRecord;
    return StreamArchive(archive, base,
                         [&](const uint8_t *bytes, size_t n) {
                             out.insert(out.end(), bytes, bytes + n);
                             return true;
                         },
                         failure);
}
