// Making an archive from a folder: every file deflated (stored when that is
// not smaller), every empty folder as a folder member, names relative to the
// folder with "/" between components, in sorted order, so that the same
// folder always gives the same bytes (apart from encryption headers). Each
// member's headers carry its modification time as an extended timestamp
// (UTC, to the second) beside the MS-DOS time.
#pragma once
#include <string>
#include <vector>

#include "builder/common/failure.h"
#include "builder/common/progress.h"
#include "builder/members/member_deflate.h"
#include "builder/members/member_pack.h"
#include "builder/members/zip_members.h"

// Reads the tree under `folder`. Names that are not plain ASCII are stored
// as UTF-8 with flag bit 11. With a non-empty `password` every file member
// is encrypted with the traditional cipher (no data descriptors). Refuses
// special files, links to folders, names that are not valid UTF-8 or that
// the stub cannot take, and files of 4 GiB or more. `progress` (may be null)
// counts the files read. Files and folders that are one of `leaveOut`
// (compared as files, not as names: what the build itself writes) are
// stepped over. Files are deflated at `level` (member_deflate.h; 0 stores
// them all) into `spool`, and a file stored as it is stays where it is
// (member_pack.h).
bool ReadFolderArchive(const std::string &folder, const std::string &password, Progress *progress, Spool &spool,
                       ZipArchive &archive, Failure &failure, const std::vector<std::string> &leaveOut = {},
                       int level = kLevelDefault);

// Fills in a new member of folder input or of an archive read through
// libarchive: the name (flagged UTF-8 when not plain ASCII), made-by, the
// MS-DOS and the extended time, attributes and version for a folder (name
// ending in "/") or a deflated file. False when the name is not valid UTF-8.
bool StartMember(const std::string &name, long long modified, ZipMember &member);

// MS-DOS local date and time of a time stamp, clamped to 1980..2107.
void DosDateTime(long long seconds, uint16_t &date, uint16_t &time);
