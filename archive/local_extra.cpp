#include "archive/local_extra.h"

#include "archive/spanned.h"
#include "archive/zip_format.h"
#include "context/extraction_context.h"
#include "image/byte_order.h"

void ReadLocalExtra(uint32_t length) {
    uint32_t want = length < (uint32_t)kLocalExtraCapacity ? length : (uint32_t)kLocalExtraCapacity;
    UINT got = want > 0 ? _lread(ctx.archiveFile, ctx.localExtra, want) : 0;
    if (got == (UINT)HFILE_ERROR || got > want)
        got = 0;
    ctx.localExtraLength = got;
    SkipArchiveBytes(length - got);
}

const uint8_t *FindLocalExtraField(uint16_t id, uint16_t *size) {
    return FindExtraField(ctx.localExtra, ctx.localExtraLength, id, size);
}

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
