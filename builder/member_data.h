// Whether a member's data decodes to what its header states: the stored or
// deflated bytes give exactly the uncompressed size and the CRC-32.
#pragma once
#include "builder/zip_members.h"

enum DataCheck {
    kDataIntact,       // decoded, size and CRC agree
    kDataDamaged,      // decoding failed or size/CRC differ
    kDataEncrypted,    // not checked (no password)
    kDataNone,         // folder member
};

DataCheck CheckMemberData(const ZipMember &member);
