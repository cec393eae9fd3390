#include "archive/local_extra.h"

#include "archive/spanned.h"
#include "context/extraction_context.h"

void ReadLocalExtra(uint32_t length) {
    uint32_t want = length < (uint32_t)kLocalExtraCapacity ? length : (uint32_t)kLocalExtraCapacity;
    UINT got = want > 0 ? _lread(ctx.archiveFile, ctx.localExtra, want) : 0;
    if (got == (UINT)HFILE_ERROR || got > want)
        got = 0;
    ctx.localExtraLength = got;
    SkipArchiveBytes(length - got);
}
