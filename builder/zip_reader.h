// Reading a ZIP file made by any tool into a ZipArchive, from its central
// directory, with every member checked against its local header.
#pragma once
#include <stdint.h>

#include <vector>

#include "builder/failure.h"
#include "builder/zip_members.h"

// Parses `bytes` (the whole file named `file`). Leading bytes before the
// archive (offsets that count from the archive's own start) are allowed.
// Refuses ZIP64, split and multi-disk archives, members the stub cannot
// extract (MemberRefusal) and local headers that contradict the central
// directory. ZIP64 extra fields of members whose sizes fit in 32 bits are
// dropped. Data descriptors are not read: the rewritten archive gets its own.
bool ReadZipArchive(const std::vector<uint8_t> &bytes, const std::string &file, ZipArchive &archive,
                    Failure &failure);
