// The stub's test of its own file: the checksum range read into a copy
// from the image, its CRC-32 against the recorded value.
#include "base/crc32.h"
#include "base/error_exit.h"
#include "base/global_blocks.h"
#include "context/extraction_context.h"
#include "image/checksum_range.h"
#include "image/config_record.h"
#include "image/image_checks.h"

// True when the n bytes in copy, read from the image, carry expected.
static int ChecksumMatches(uint8_t *copy, uint32_t n, uint32_t expected, const uint8_t *marker) {
    if (n == 0 || !SeekFromStart(ctx.archiveFile, 0) || _lread(ctx.archiveFile, copy, n) != n)
        return 0;
    int64_t start = PrepareChecksumRange(copy, n, configRecord.Flags & kFlagCrcSkipsHeaders, marker);
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
