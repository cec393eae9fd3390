#include "archive/member_input.h"

#include "archive/read_error.h"
#include "archive/spanned.h"
#include "archive/zip_crypto.h"
#include "base/error_exit.h"
#include "context/extraction_context.h"

static_assert(kIoBufferSize <= kIoBufferAllocation, "a refill fits the input buffer");

int RefillInput() {
    if (ctx.memberBytesLeft == 0) {
        ctx.inputCount = 0;
        return 0;
    }
    UINT want = ctx.memberBytesLeft < (UINT)kIoBufferSize ? ctx.memberBytesLeft : (UINT)kIoBufferSize;
    UINT got = _lread(ctx.archiveFile, ctx.inputBuffer, want);
    if (!ctx.spanned || got == (UINT)HFILE_ERROR) {
        if (got != want)
            ReadError(kReadErrorMemberData);
    } else if (got < want) {
        // The volume has ended: what came is this refill, the rest comes from
        // the next disk. With nothing at all, that disk is read at once.
        RequestDisk(ctx.currentDisk + 1, ctx.exeVolumes);
        if (got == 0) {
            got = _lread(ctx.archiveFile, ctx.inputBuffer, want);
            if (got == (UINT)HFILE_ERROR)
                ReadError(kReadErrorMemberData);
        }
    }
    ctx.memberBytesLeft -= got;
    ctx.inputCursor = ctx.inputBuffer;
    if (ctx.currentEntryEncrypted)
        DecryptBytes(ctx.inputBuffer, got);
    ctx.inputCount = got == 0 ? 0 : (int32_t)got - 1;
    return (int)got;
}

int ReadEncryptionHeader() {
    if (!ctx.passwordText)
        return 0;
    // A compressed size below the header's would leave memberBytesLeft
    // wrapped round to some 4 GB still to read.
    if (ctx.memberBytesLeft < kEncryptionHeaderSize)
        ReadError(kReadErrorEncryptionHeader);
    uint8_t header[kEncryptionHeaderSize];
    if (_lread(ctx.archiveFile, header, kEncryptionHeaderSize) != kEncryptionHeaderSize)
        ReadError(kReadErrorEncryptionHeader);
    ctx.memberBytesLeft -= kEncryptionHeaderSize;
    return CheckEncryptionHeader(header);
}
