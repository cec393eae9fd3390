// The extraction pass: a guarded, strictly sequential walk from the first
// local header to the end record.
#pragma once
#include <stdint.h>

// Codes that ReadError appends to its message: where a read came up short.
//   1  the name of a local header or central record
//   2  a refill of compressed data              (archive/member_input.h)
//   3  the 26 local-header bytes, after a disk change
//   4  the 26 local-header bytes
//   6  the 42 central-record bytes
//   7  the 18 end-record bytes
//   8  the 4 signature bytes, after a disk change
//   9  the 4 signature bytes
//   14 the 12-byte encryption header            (archive/member_input.h)
// 5 and 10 to 13 are not used.
enum WalkReadErrors {
    kReadName = 1,
    kReadLocalHeaderSpanned = 3,
    kReadLocalHeader = 4,
    kReadCentralRecord = 6,
    kReadEndRecord = 7,
    kReadSignatureSpanned = 8,
    kReadSignature = 9,
};

// 0 the walk reached its end, 1 Cancel at an overwrite question, 2 an error
// or an abort.
int ExtractionPass();

// Reads and dispatches records until the end record (or, spanned, the first
// central record).
void WalkArchive();
// One local header, its name and its member.
void ProcessMember();
void SkipCentralRecord();
void ReadEndRecord();
// Reads exactly length bytes of the archive into buffer and a NUL after them.
void ReadName(uint32_t length, char *buffer);
