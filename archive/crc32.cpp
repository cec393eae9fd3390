#include "archive/crc32.h"

#include "context/extraction_context.h"

static void FillCrcTable(uint32_t *table) {
    for (uint32_t i = 0; i < 256; i++) {
        uint32_t c = i;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? (c >> 1) ^ kCrcPolynomial : c >> 1;
        table[i] = c;
    }
}

void CrcBuildTable() {
    FillCrcTable(ctx.crcTable);
}

void CrcUpdate(const uint8_t *data, size_t n) {
    uint32_t crc = ctx.crcRegister;
    const uint32_t *table = ctx.crcTable;
    for (size_t i = 0; i < n; i++)
        crc = (crc >> 8) ^ table[(crc ^ data[i]) & 0xFF];
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
