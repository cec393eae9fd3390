#include "archive/crc32.h"

#include "context/extraction_context.h"
#include "image/byte_order.h"

static void FillCrcTable(uint32_t *table) {
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? (c >> 1) ^ kCrcPolynomial : c >> 1;
        table[i] = c;
    }
}

// The slices let CrcUpdate take four bytes per step with four independent
// lookups (still one per byte) instead of a chain of four dependent ones:
// slice k of byte b is the CRC of b followed by k + 1 zero bytes.
void CrcBuildTable() {
    FillCrcTable(ctx.crcTable);
    const uint32_t *previous = ctx.crcTable;
    for (int k = 0; k < 3; k++) {
        for (int i = 0; i < 256; i++)
            ctx.crcSlices[k][i] = (previous[i] >> 8) ^ ctx.crcTable[previous[i] & 0xFF];
        previous = ctx.crcSlices[k];
    }
}

void CrcUpdate(const uint8_t *data, size_t n) {
    uint32_t crc = ctx.crcRegister;
    const uint32_t *table = ctx.crcTable;
    const uint32_t(*slices)[256] = ctx.crcSlices;
    for (; n >= 4; n -= 4, data += 4) {
        crc ^= ReadLe32(data);
        crc = slices[2][crc & 0xFF] ^ slices[1][(crc >> 8) & 0xFF] ^ slices[0][(crc >> 16) & 0xFF] ^
              table[crc >> 24];
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
