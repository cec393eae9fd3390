// Reading a ZIP file made by any tool into a ZipArchive, from its central
// directory, with every member checked against its local header.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "builder/common/failure.h"
#include "builder/common/progress.h"
#include "builder/members/zip_members.h"

struct ZipReadOptions {
    bool allowDamaged = false;     // take members that fail their CRC or size, with a warning
    Progress *progress = nullptr;  // advanced as members are checked
    unsigned nameCodePage = 0;     // for names the archive does not mark (builder/input/name_decision.h)
    bool otherMethods = false;     // take members of methods the stub cannot decode, unchecked, for
                                   // DecodeOtherMethods (archive_input.h) to convert
};

// Whether the stub decodes the member's method (stored or deflated).
bool IsStubMethod(const ZipMember &member);

// Parses `bytes` (the whole file named `file`). Leading bytes before the
// archive (offsets that count from the archive's own start) are allowed.
// Names are decided as DecideNames says.
// ZIP64 records and extra fields are read, and taken when every value fits
// the classic 16- and 32-bit fields; the archive is then written out as a
// classic one. Refuses values that do not fit, split and multi-disk
// archives, members the stub cannot extract (MemberRefusal), local headers
// that contradict the central directory and, unless options.allowDamaged,
// members whose data fails its CRC or stated size. `warnings` gets one line
// for each damaged member taken. Data descriptors are not read: the
// rewritten archive gets its own.
bool ReadZipArchive(const std::vector<uint8_t> &bytes, const std::string &file, const ZipReadOptions &options,
                    ZipArchive &archive, std::vector<std::string> &warnings, Failure &failure);

// ReadZipArchive over the file `file`, read a part at a time: the members'
// data stays in the file (DataSpan) and is checked as it streams by, so
// that the file's size does not matter.
bool ReadZipFile(const std::string &file, const ZipReadOptions &options, ZipArchive &archive,
                 std::vector<std::string> &warnings, Failure &failure);
