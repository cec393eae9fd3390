// The operations start-up runs on the image file before anything else: the
// ZIP signatures, opening the file, the stub checksum, the TextBlock, the
// end record and the entry point. Each either returns normally or ends
// through the error exit (base/error_exit.h); the entry-point test only
// answers.
#pragma once
#include <stdint.h>

#include "platform/win32.h"

// Assembles the five ZIP signatures in the context from the letter P and a
// stored tail, so that the stub itself never holds one as contiguous bytes.
void SetUpSignatures();

// Opens the image (imagePath) as the archive file (read, deny write to
// others), or ends through HeaderCorrupt.
void OpenImage();

// Opens a file by its wide path for reading, sharing it with readers (and
// writers when othersMayWrite), as _lopen's OF_SHARE_DENY_WRITE and
// OF_SHARE_DENY_NONE do; HFILE_ERROR when it cannot.
HFILE OpenForReading(const WCHAR *path, int othersMayWrite);

// Checks the CRC-32 of the first n bytes of the image, with the 4 bytes
// behind the first marker counted as zero (and, with CrcSkipsHeaders, the
// DOS and PE headers left out), against expected. Returns only on success,
// otherwise ends through HeaderCorrupt.
void TestStubChecksum(uint32_t n, uint32_t expected, const uint8_t *marker);

// Reads the TextBlock into destinationFolder, the after-unzip command, the
// start-up prompt, titleText and infoText, all wide: UTF-8 when the flag
// Utf8Text says so, else text of the ANSI code page. A block or string that
// does not fit (strings measured in UTF-16 units once decoded), or a block
// whose strings are not all terminated inside it, ends through HeaderCorrupt.
void ReadTextBlock();

// Checks that the end record lies at EndRecordOffset (unless spanned or the
// offset is 0); otherwise ends through ShowError with the damaged-file text.
void TestEndRecord();

// True when the image's own AddressOfEntryPoint equals EntryPoint.
int TestEntryPoint();

// Positions file at offset from its start; true when it got there. Offsets
// beyond the signed range the platform seeks by count as failures.
int SeekFromStart(HFILE file, uint32_t offset);
