#include "base/crc32.h"

#include "base/byte_order.h"
#include "context/extraction_context.h"

enum CrcSlicing {
    kCrcStepBytes = 16,
};
static_assert(sizeof(ctx.crcTables) / sizeof(ctx.crcTables[0]) == kCrcStepBytes, "one table for each byte of a step");

static void FillCrcTable(uint32_t *table) {
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? (c >> 1) ^ kCrcPolynomial : c >> 1;
        table[i] = c;
    }
}

// The further tables let CrcUpdate take sixteen bytes per step with sixteen
// independent lookups (still one per byte) instead of a chain of dependent
// ones: entry b of table k is the CRC of byte b followed by k zero bytes.
// They are built here rather than stored, so they cost the image no bytes.
void CrcBuildTable() {
    uint32_t(*tables)[256] = ctx.crcTables;
    FillCrcTable(tables[0]);
    for (int k = 1; k < kCrcStepBytes; k++)
        for (int i = 0; i < 256; i++)
            tables[k][i] = (tables[k - 1][i] >> 8) ^ tables[0][tables[k - 1][i] & 0xFF];
}

void CrcUpdate(const uint8_t *data, size_t n) {
    uint32_t crc = ctx.crcRegister;
    const uint32_t(*tables)[256] = ctx.crcTables;
    for (; n >= kCrcStepBytes; n -= kCrcStepBytes, data += kCrcStepBytes) {
        // Byte i of the step has 15 - i bytes still to pass; the register
        // enters with the first four.
        uint32_t first = ReadLe32(data) ^ crc;
        uint32_t next = 0;
        // Unrolled for speed, kept as a loop where the build is for size.
#if !defined(__OPTIMIZE_SIZE__)
#pragma GCC unroll 16
#endif
        for (int i = 0; i < kCrcStepBytes; i++)
            next ^= tables[kCrcStepBytes - 1 - i][i < 4 ? (first >> (8 * i)) & 0xFF : data[i]];
        crc = next;
    }
    for (; n > 0; n--)
        crc = (crc >> 8) ^ tables[0][(crc ^ *data++) & 0xFF];
    ctx.crcRegister = crc;
}

const uint32_t *Crc32Table() {
    static uint32_t table[256];
    if (table[1] == 0)
        FillCrcTable(table);
    return table;
}

uint32_t Crc32Of(const uint8_t *data, size_t n, uint32_t crc) {
    const uint32_t *table = Crc32Table();
    crc = ~crc;
    for (size_t i = 0; i < n; i++)
        crc = (crc >> 8) ^ table[(crc ^ data[i]) & 0xFF];
    return ~crc;
}
