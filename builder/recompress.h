// --recompress: the stored and deflated members of a ZIP input deflated
// again at the chosen level, each kept in whichever form is smaller.
#pragma once
#include "builder/zip_members.h"

// Re-deflates every member that is neither a folder nor encrypted and
// whose data decodes to its CRC (a damaged member taken with
// --allow-damaged stays as it is). Answers how many members got smaller.
size_t RecompressMembers(ZipArchive &archive, int level);
