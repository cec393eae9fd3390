// The extraction pass: a guarded, strictly sequential walk from the first
// local header to the end record.
#pragma once
#include <stdint.h>

// Codes that ReadError appends to its message: where a read came up short.
enum ReadErrorCode {
    kReadName = 1,               // the name of a local header or central record
    kReadMemberData = 2,         // a refill of compressed data
    kReadLocalHeaderSpanned = 3, // the 26 local-header bytes, after a disk change
    kReadLocalHeader = 4,        // the 26 local-header bytes
    kReadCentralRecord = 6,      // the 42 central-record bytes
    kReadEndRecord = 7,          // the 18 end-record bytes
    kReadSignatureSpanned = 8,   // the 4 signature bytes, after a disk change
    kReadSignature = 9,          // the 4 signature bytes
    kReadEncryptionHeader = 14,  // the 12-byte encryption header
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
