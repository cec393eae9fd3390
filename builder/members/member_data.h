// Whether a member's data decodes to what its header states: the stored or
// deflated bytes give exactly the uncompressed size and the CRC-32. Read and
// decoded as it streams, whatever the member's size.
#pragma once
#include <stdint.h>

#include <string>

#include "builder/common/failure.h"
#include "builder/members/member_span.h"
#include "builder/members/zip_members.h"

enum DataCheck {
    kDataIntact,       // decoded, size and CRC agree
    kDataDamaged,      // decoding failed or size/CRC differ
    kDataEncrypted,    // not checked (no password)
    kDataNone,         // folder member
};

// Answers kDataDamaged with the failure filled when the data cannot be read
// at all.
DataCheck CheckMemberData(const ZipMember &member, Failure &failure);

// Feeds the plain bytes of a stored or deflated member to `sink`, at most
// `limit` of them: false when the data does not decode (cause empty) or
// cannot be read (cause set), or when `sink` answers false.
bool PlainMemberData(const ZipMember &member, uint64_t limit, const ByteSink &sink, Failure &failure);
