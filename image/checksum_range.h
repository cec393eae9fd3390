// What the stub checksum covers: a copy of the image's first n bytes (the
// stub and the TextBlock) in which the StubCrc field behind the first marker
// counts as zero. With CrcSkipsHeaders the DOS header, DOS stub and PE
// headers are left out, so that tools which touch them (the optional
// header's checksum, a signer) do not break the image; the section table
// stays covered. The stub tests its own file with this, mksfx seals and
// reports images with it; each then runs CRC-32 over [start, n).
#pragma once
#include <stdint.h>

// Why there is no range to run the checksum over.
enum ChecksumRangeFaults {
    kChecksumNoMarker = -1,          // no marker lies wholly inside the n bytes
    kChecksumNoLfanew = -2,          // skipping headers: the bytes end before e_lfanew
    kChecksumHeadersPastEnd = -3,    // skipping headers: the PE headers end past n
};

// Offset of the first marker whose kMarkerSize bytes all lie inside [0, n),
// or -1.
int32_t FindMarker(const uint8_t *bytes, uint32_t n, const uint8_t *marker);

// Clears the part of the StubCrc field behind the first marker that lies
// inside copy's n bytes (a marker near the end leaves the rest beyond them)
// and answers where the checksum starts: 0, or the section table when
// skipHeaders. A fault above, which is negative, when there is no range.
int64_t PrepareChecksumRange(uint8_t *copy, uint32_t n, int skipHeaders, const uint8_t *marker);
