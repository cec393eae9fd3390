// The modification time a member's file receives, and where it comes from.
// Shared by the extractor and the builder's report of an image.
#pragma once
#include <stdint.h>

#include "platform/win32.h"

// Where a member's time comes from; kTimeFromNone when no time can be made.
enum MemberTimeSource {
    kTimeFromNone,
    kTimeFromDos,      // the header's MS-DOS date and time: local time where the archive was made
    kTimeFromNtfs,     // the NTFS extra field's modification FILETIME, UTC
    kTimeFromUnix,     // the extended-timestamp field's modification time, UTC
    kTimeFromInfoZipUnix,   // the Info-ZIP Unix field's modification time, UTC
};

// The member's modification time: from the extra area (`extraLength` bytes)
// an NTFS field with a well-formed times attribute, else an extended
// timestamp with its modification time, else an Info-ZIP Unix field, all
// UTC; else the MS-DOS date and
// time, clamped into a valid date, as a local file time. A malformed field
// counts as absent. No byte outside the area is read.
int MemberModificationTime(const uint8_t *extra, uint32_t extraLength, uint16_t date, uint16_t time,
                           FILETIME *result);

// Gives the output file the current member's time (created, accessed and
// written), when one can be made.
void SetMemberTime();
