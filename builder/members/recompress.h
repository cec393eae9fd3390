// --recompress: the stored and deflated members of a ZIP input deflated
// again at the chosen level, each kept in whichever form is smaller.
#pragma once
#include <string>

#include "builder/common/failure.h"
#include "builder/members/member_pack.h"
#include "builder/members/zip_members.h"

// Re-deflates into `spool` every member that is neither a folder nor
// encrypted and whose data decodes to its CRC (a damaged member taken with
// --allow-damaged stays as it is). Answers how many members got smaller;
// false with the reason when the input or the spool cannot be read or
// written.
bool RecompressMembers(ZipArchive &archive, int level, Spool &spool, size_t &smaller, Failure &failure);
