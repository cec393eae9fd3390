// Writing a ZipArchive the way the stub walks it: every local header carries
// the real CRC and sizes, a member with flag bit 3 is followed by exactly one
// 16-byte signed data descriptor, and the stored offsets count from the
// start of the file the archive ends up in.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "builder/common/failure.h"
#include "builder/members/member_span.h"
#include "builder/members/zip_members.h"

// Where the central directory and its end record stand (the end record's
// fields other than its signature and comment).
struct DirectoryPlace {
    uint16_t thisDisk = 0;
    uint16_t directoryDisk = 0;
    uint16_t entriesHere = 0;
    uint16_t entriesTotal = 0;
    uint32_t directorySize = 0;
    uint32_t directoryOffset = 0;
};

// Appends the local header with the member's name and extra field.
void AppendLocalHeader(std::vector<uint8_t> &out, const ZipMember &member);

// Appends the 16-byte signed data descriptor when the member has flag bit 3.
void AppendDescriptorIfFlagged(std::vector<uint8_t> &out, const ZipMember &member);

// Appends the central record of a member whose local header stands at
// `localOffset` on disk `disk` (counted from 0).
void AppendCentralRecord(std::vector<uint8_t> &out, const ZipMember &member, uint16_t disk, uint32_t localOffset);

void AppendEndRecord(std::vector<uint8_t> &out, const DirectoryPlace &place, const std::string &comment);

// Bytes of the member's local record: header, name, extra, data, descriptor.
uint64_t LocalRecordSize(const ZipMember &member);

// The archive's size and where its end record stands (both counted from
// the archive's first byte) for a file in which it starts at `base`. Fails
// with the reason when offsets would not fit in 32 bits or there are more
// members than the end record can count.
bool ArchiveLayout(const ZipArchive &archive, uint64_t base, uint64_t &size, uint64_t &endRecord, Failure &failure);

// Writes the member's local record (LocalRecordSize bytes) to `sink`, its
// data read as it goes; fails as StreamArchive does.
bool StreamLocalRecord(const ZipMember &member, const ByteSink &sink, Failure &failure);

// Writes the archive (ArchiveLayout checked first) to `sink` in pieces,
// each member's data read as it goes (ReadMemberData). When `sink` answers
// false, the cause is left empty: the sink knows the reason.
bool StreamArchive(const ZipArchive &archive, uint64_t base, const ByteSink &sink, Failure &failure);

struct WrittenArchive {
    std::vector<uint8_t> bytes;
    size_t endRecord = 0;              // position of the end record in bytes
};

// The whole archive in memory, for a file in which it starts at `base`;
// fails as StreamArchive does.
bool WriteArchive(const ZipArchive &archive, uint64_t base, WrittenArchive &written, Failure &failure);
