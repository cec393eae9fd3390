// How `mksfx info` shows the time the stub gives a member's file.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

// The time and its source, decided by the stub's own rule from the local
// extra field (as the stub keeps it) and the MS-DOS date and time:
// "2025-02-14 15:40:56 UTC (NTFS)", "... UTC (Unix)", "... UTC (Info-ZIP
// Unix)" or "... local (DOS)";
// a fraction of a second is shown when an NTFS time has one.
std::string MemberTimeText(const std::vector<uint8_t> &localExtra, uint16_t date, uint16_t time);
