// The stub's archive walk replayed on the host: record by record from the
// archive's start, over the volumes of a spanned set when there are several,
// with each member's data decoded and its CRC compared where possible.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

struct WalkVolume {
    std::string path;
    std::vector<uint8_t> bytes;
    size_t start = 0;              // where the walk begins reading in this volume
};

enum DataCheck {
    kDataIntact,                   // decoded, size and CRC agree
    kDataDamaged,                  // decoding failed or size/CRC differ
    kDataEncrypted,                // not checked (no password)
    kDataNone,                     // folder member
};

struct WalkedMember {
    std::string name;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t date = 0;             // MS-DOS date and time of the local header
    uint16_t time = 0;
    std::vector<uint8_t> extra;    // the local extra field as the stub keeps it
    unsigned disk = 1;             // where its local header stands
    DataCheck check = kDataNone;
};

struct WalkResult {
    std::vector<WalkedMember> members;
    std::string error;             // empty when the walk reached its end as the stub's would
};

// Walks `volumes` (one for an image that is not spanned) by the stub's rules.
// For spanned sets it also reports layouts the stub's reads cannot follow
// (names, extra fields, encryption headers or descriptors across a volume's
// end). Answers whether the walk ended without error.
bool WalkArchive(const std::vector<WalkVolume> &volumes, bool spanned, WalkResult &result);
