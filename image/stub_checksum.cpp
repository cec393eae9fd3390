// The stub checksum: CRC-32 over the image's first ArchiveOffset bytes (the
// stub and the TextBlock), read into a copy in which the StubCrc field
// behind the first marker counts as zero. With CrcSkipsHeaders the DOS
// header, DOS stub and PE headers are left out, so that tools which touch
// them (the optional header's checksum, a signer) do not break the image;
// the section table stays covered.
#include "app/error_exit.h"
#include "app/global_blocks.h"
#include "archive/crc32.h"
#include "context/extraction_context.h"
#include "image/byte_compare.h"
#include "image/byte_order.h"
#include "image/config_record.h"
#include "image/image_checks.h"

enum { kStubCrcSize = 4, kDosHeaderSize = 64 };
static_assert(kStubCrcOffset + kStubCrcSize <= kConfigRecordSize, "StubCrc lies inside the record");
static_assert(kDosLfanewOffset + 4 <= kDosHeaderSize, "e_lfanew lies inside the DOS header");

// Offset of the first marker whose 8 bytes all lie inside [0, n), or -1.
static int32_t FindMarker(const uint8_t *copy, uint32_t n, const uint8_t *marker) {
    for (uint32_t at = 0; n >= kMarkerSize && at <= n - kMarkerSize; at++)
        if (copy[at] == marker[0] && ByteCompare(copy + at, marker, kMarkerSize) == 0)
            return (int32_t)at;
    return -1;
}

// Where the checksum starts: 0, or the section table with CrcSkipsHeaders;
// -1 when that table would lie beyond the covered bytes.
static int64_t ChecksumStart(const uint8_t *copy, uint32_t n) {
    if (!(configRecord.Flags & kFlagCrcSkipsHeaders))
        return 0;
    if (n < kDosHeaderSize)
        return -1;
    uint32_t lfanew = ReadLe32(copy + kDosLfanewOffset);
    if (lfanew > n || n - lfanew < kPeHeadersSize)
        return -1;
    return lfanew + kPeHeadersSize;
}

// True when the n bytes in copy, read from the image, carry expected.
static int ChecksumMatches(uint8_t *copy, uint32_t n, uint32_t expected, const uint8_t *marker) {
    if (n == 0 || !SeekFromStart(ctx.archiveFile, 0) || _lread(ctx.archiveFile, copy, n) != n)
        return 0;
    int32_t found = FindMarker(copy, n, marker);
    if (found < 0)
        return 0;
    // A marker near the end leaves part of its StubCrc field beyond the
    // copy; only the part inside is there to be cleared.
    uint32_t field = (uint32_t)found + kStubCrcOffset;
    for (uint32_t i = field; i < field + kStubCrcSize && i < n; i++)
        copy[i] = 0;
    int64_t start = ChecksumStart(copy, n);
    if (start < 0)
        return 0;
    ctx.crcRegister = 0xFFFFFFFFu;
    CrcUpdate(copy + start, n - (uint32_t)start);
    return ~ctx.crcRegister == expected;
}

void TestStubChecksum(uint32_t n, uint32_t expected, const uint8_t *marker) {
    uint8_t *copy = (uint8_t *)LockedGlobalBlock(GHND, n);
    int matches = copy && ChecksumMatches(copy, n, expected, marker);
    FreeLockedGlobal(copy);
    if (!matches)
        HeaderCorrupt();
}
