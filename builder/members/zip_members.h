// An archive as the builder rewrites it: every member with its header fields
// and its data bytes (compressed, encryption header included), kept verbatim
// from the input. The data of any size stays in a file (DataSpan) and is
// read in pieces as it is written out; only small data made in memory (as
// by the tests) is held in the member itself.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

// Where a member's data lies when it is not held in ZipMember::data:
// `length` bytes of `file` from `offset`: the input ZIP itself, a folder's
// file stored as it is, or the build's spool (builder/members/member_pack.h).
struct DataSpan {
    std::string file;                  // empty: the data is ZipMember::data
    uint64_t offset = 0;
    uint32_t length = 0;
    // A file of the input taken as it is: read once for the CRC and again
    // when written, so its CRC is checked again then (it may have changed).
    bool recheckCrc = false;
};

struct ZipMember {
    std::string name;                  // bytes as stored: UTF-8 with flag bit 11, else single-byte text
    uint16_t versionMadeBy = 20;
    uint16_t versionNeeded = 20;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t time = 0;                 // MS-DOS local time and date
    uint16_t date = 0;
    uint32_t crc = 0;
    uint32_t uncompressedSize = 0;
    std::vector<uint8_t> localExtra;
    std::vector<uint8_t> centralExtra;
    std::string comment;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    std::vector<uint8_t> data;         // held data, when span.file is empty
    DataSpan span;                     // the compressed size is DataSize (builder/members/member_span.h)
};

struct ZipArchive {
    std::vector<ZipMember> members;
    std::string comment;
};

// True when the stub treats the member as a folder: its name ends in / or \.
bool IsFolderName(const std::string &name);

// Sum of the members' uncompressed sizes (64 bits, so callers can refuse sums
// that do not fit the record's 32-bit field).
uint64_t TotalUncompressedSize(const ZipArchive &archive);

// Why the stub could not take the member as it stands (empty string when it
// can): names the stub refuses or that would leave the destination folder,
// unsupported methods and encryption, folders that carry data.
std::string MemberRefusal(const ZipMember &member);

// One warning line for each member whose name, decoded as the stub decodes
// it, differs from an earlier member's only in the case of its letters.
std::vector<std::string> CaseCollisions(const ZipArchive &archive);

// The member's name as it reads (builder/members/name_text.h): decoded and escaped.
std::string MemberDisplayName(const ZipMember &member);

// Whether any member is encrypted.
bool AnyMemberEncrypted(const ZipArchive &archive);
