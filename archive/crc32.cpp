#include "archive/crc32.h"

#include "context/extraction_context.h"
#include "image/byte_order.h"

enum CrcSlicing {
    kCrcStepBytes = 16,
    kCrcSliceCount = kCrcStepBytes - 1,
};
static_assert(sizeof(ctx.crcSlices) / sizeof(ctx.crcSlices[0]) == kCrcSliceCount,
              "one slice for each byte of a step but the last");

static void FillCrcTable(uint32_t *table) {
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? (c >> 1) ^ kCrcPolynomial : c >> 1;
        table[i] = c;
    }
}

// The slices let CrcUpdate take sixteen bytes per step with sixteen
// independent lookups (still one per byte) instead of a chain of dependent
// ones: slice k of byte b is the CRC of b followed by k + 1 zero bytes. They
// are built here rather than stored, so they cost the image no bytes.
void CrcBuildTable() {
    FillCrcTable(ctx.crcTable);
    const uint32_t *previous = ctx.crcTable;
    for (int k = 0; k < kCrcSliceCount; k++) {
        for (int i = 0; i < 256; i++)
            ctx.crcSlices[k][i] = (previous[i] >> 8) ^ ctx.crcTable[previous[i] & 0xFF];
        previous = ctx.crcSlices[k];
    }
}

// The four bytes of a word, of which the first still has `top` + 1 zero
// bytes to pass and each next one a byte less.
static inline uint32_t FoldWord(const uint32_t (*slices)[256], uint32_t word, int top) {
    return slices[top][word & 0xFF] ^ slices[top - 1][(word >> 8) & 0xFF] ^ slices[top - 2][(word >> 16) & 0xFF] ^
           slices[top - 3][word >> 24];
}

void CrcUpdate(const uint8_t *data, size_t n) {
    uint32_t crc = ctx.crcRegister;
    const uint32_t *table = ctx.crcTable;
    const uint32_t(*slices)[256] = ctx.crcSlices;
    for (; n >= kCrcStepBytes; n -= kCrcStepBytes, data += kCrcStepBytes) {
        uint32_t last = ReadLe32(data + 12);
        crc = FoldWord(slices, ReadLe32(data) ^ crc, 14) ^ FoldWord(slices, ReadLe32(data + 4), 10) ^
              FoldWord(slices, ReadLe32(data + 8), 6) ^ slices[2][last & 0xFF] ^ slices[1][(last >> 8) & 0xFF] ^
              slices[0][(last >> 16) & 0xFF] ^ table[last >> 24];
    }
    for (; n > 0; n--)
        crc = (crc >> 8) ^ table[(crc ^ *data++) & 0xFF];
    ctx.crcRegister = crc;
}

uint32_t Crc32Of(const uint8_t *data, size_t n, uint32_t crc) {
    static uint32_t table[256];
    if (table[1] == 0)
        FillCrcTable(table);
    crc = ~crc;
    for (size_t i = 0; i < n; i++)
        crc = (crc >> 8) ^ table[(crc ^ data[i]) & 0xFF];
    return ~crc;
}
