#include "builder/zip_writer.h"

#include "archive/zip_format.h"
#include "image/byte_order.h"

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
    Put32(out, (uint32_t)member.data.size());
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
    Put32(out, (uint32_t)member.data.size());
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
    uint64_t size = kLocalHeaderSize + member.name.size() + member.localExtra.size() + member.data.size();
    return size + ((member.flags & kFlagBitDescriptor) ? kDescriptorSize : 0);
}

bool WriteArchive(const ZipArchive &archive, uint64_t base, WrittenArchive &written, std::string &why) {
    if (archive.members.size() >= kZip64Marker16) {
        why = "too many members (" + std::to_string(archive.members.size()) + ") for an archive without ZIP64";
        return false;
    }
    uint64_t total = base;
    for (const ZipMember &member : archive.members)
        total += LocalRecordSize(member) + kCentralHeaderSize + member.name.size() + member.centralExtra.size() +
                 member.comment.size();
    if (total + kEndRecordSize + archive.comment.size() > kZip64Marker32) {
        why = "the image would exceed 4 GiB";
        return false;
    }
    std::vector<uint8_t> &out = written.bytes;
    out.clear();
    out.reserve((size_t)(total - base) + kEndRecordSize + archive.comment.size());
    std::vector<uint32_t> offsets;
    for (const ZipMember &member : archive.members) {
        offsets.push_back((uint32_t)(base + out.size()));
        AppendLocalHeader(out, member);
        PutBytes(out, member.data.data(), member.data.size());
        AppendDescriptorIfFlagged(out, member);
    }
    DirectoryPlace place;
    place.directoryOffset = (uint32_t)(base + out.size());
    for (size_t i = 0; i < archive.members.size(); i++)
        AppendCentralRecord(out, archive.members[i], 0, offsets[i]);
    place.directorySize = (uint32_t)(base + out.size() - place.directoryOffset);
    place.entriesHere = place.entriesTotal = (uint16_t)archive.members.size();
    written.endRecord = out.size();
    AppendEndRecord(out, place, archive.comment);
    return true;
}
