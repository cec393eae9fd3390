#include "archive/extra_fields.h"

#include "archive/zip_format.h"
#include "base/byte_order.h"

const uint8_t *FindExtraField(const uint8_t *area, uint32_t length, uint16_t id, uint16_t *size) {
    uint32_t at = 0;
    while (at + kExtraFieldHeaderSize <= length) {
        const uint8_t *field = area + at;
        uint32_t body = ReadLe16(field + 2);
        if (at + kExtraFieldHeaderSize + body > length)
            return 0;
        if (ReadLe16(field) == id) {
            *size = (uint16_t)body;
            return field + kExtraFieldHeaderSize;
        }
        at += kExtraFieldHeaderSize + body;
    }
    return 0;
}

const char *UnicodePathName(const uint8_t *area, uint32_t length, uint32_t storedNameCrc, int *nameLength) {
    uint16_t size;
    const uint8_t *field = FindExtraField(area, length, kExtraUnicodePath, &size);
    // An empty name stands for nothing: the stored one is taken instead.
    if (!field || size <= kUnicodePathName || field[0] != kUnicodePathVersion ||
        ReadLe32(field + kUnicodePathCrc) != storedNameCrc)
        return 0;
    *nameLength = size - kUnicodePathName;
    return (const char *)field + kUnicodePathName;
}

uint32_t DropExtraFields(uint8_t *area, uint32_t length, uint16_t id) {
    uint16_t size;
    while (const uint8_t *body = FindExtraField(area, length, id, &size)) {
        uint32_t start = (uint32_t)(body - area) - kExtraFieldHeaderSize;
        uint32_t end = (uint32_t)(body - area) + size;
        for (uint32_t i = end; i < length; i++)
            area[start + i - end] = area[i];
        length -= end - start;
    }
    return length;
}
