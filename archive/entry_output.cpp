// One file member from the archive to disk: the overwrite question, the
// output file, the copy or decode through the output buffer, the time stamp
// and the CRC-32 check.
#include "archive/entry_output.h"

#include "archive/flush_output.h"
#include "archive/member_files.h"
#include "archive/member_time.h"
#include "archive/spanned.h"
#include "archive/zip_format.h"
#include "base/crc32.h"
#include "base/error_exit.h"
#include "codec/inflate.h"
#include "codec/window.h"
#include "context/extraction_context.h"
#include "image/resources.h"
#include "progress/meter.h"
#include "progress/pump.h"
#include "progress/status_line.h"


// messagePath shows the member's path from ComposeOutputPath on.
int ConfirmOverwrite() {
    if (ctx.overwriteWithoutPrompting || !MemberPathExists(ctx.memberPath))
        return 1;
    if (ctx.meterShown)
        RefreshMeter();
    FormatWide(ctx.messageText, LookupString(kStrOverwriteQuestion), ctx.messagePath);
    int answer = ShowWideBox(ctx.messageText, MB_YESNOCANCEL);
    if (answer == IDYES)
        return 1;
    if (answer == IDNO)
        return 0;
    // Cancel, or a box that could not be shown: nothing of the member is written.
    CancelPass();
}

void CreateOutputFile() {
    HFILE file = CreateMemberFile(ctx.memberPath);
    if (file == HFILE_ERROR) {
        ShowErrorAbout(LookupString(kStrCannotCreateOutput), ctx.messagePath);
    }
    ctx.outputFile = file;
}

// Stored data goes from the input buffer to the output buffer in runs: as
// much as both hold or have room for at a time. An empty input buffer is
// refilled through FetchByte, so refills and writes come at the same bytes
// as in a copy byte by byte: a refill when a byte is wanted and none is
// left, a write whenever the output buffer is full.
static void CopyStored() {
    for (;;) {
        uint32_t room = kIoBufferSize - ctx.pending;
        if (ctx.inputCount > 0) {
            uint32_t run = (uint32_t)ctx.inputCount < room ? (uint32_t)ctx.inputCount : room;
            CopyBlock(ctx.outputPointer, ctx.inputCursor, run);
            ctx.inputCursor += run;
            ctx.inputCount -= (int32_t)run;
            ctx.outputPointer += run;
            ctx.pending += run;
        } else {
            uint16_t byte;
            if (!FetchByte(&byte))
                return;
            *ctx.outputPointer++ = (uint8_t)byte;
            ctx.pending++;
        }
        if (ctx.pending == kIoBufferSize)
            FlushOutput();
    }
}

void ExtractMember() {
    const LocalHeader &header = ctx.localHeader;
    ctx.crcRegister = 0xFFFFFFFFu;
    ctx.inputCount = 0;
    ctx.pending = 0;
    ctx.outputPointer = ctx.outputBuffer;
    CreateOutputFile();

    if (header.compressedSize > 0) {
        if (header.method == kMethodStored) {
            ShowUnzipping();
            CopyStored();
        } else if (header.method == kMethodDeflated) {
            ShowUnzipping();
            // A damaged stream is not reported here: it fails the CRC check below.
            if (DecodeStream() == kInflateNoMemory)
                ShowError(kInflateNoMemoryText);
            // A stream may end before the member's declared data does. The
            // walk goes on after the declared data, never from inside it,
            // where bytes could pass for records of their own.
            SkipArchiveBytes(ctx.memberBytesLeft);
            ctx.memberBytesLeft = 0;
        } else {
            ShowError(LookupString(kStrUnsupportedMethod));
        }
    }
    ctx.filesExtracted++;

    // The last, partial buffer is written without counting it for the meter.
    if (ctx.pending > 0) {
        WriteOutputBytes(ctx.outputBuffer, ctx.pending);
        ctx.pending = 0;
    }
    SetMemberTime();
    _lclose(ctx.outputFile);
    ctx.outputFile = 0;

    ctx.crcRegister = ~ctx.crcRegister;
    if (ctx.crcRegister != header.crc32) {
        // %lx reads 32 bits in wvsprintfW, so the values go as uint32_t.
        ShowErrorAbout(LookupString(kStrBadCrc), ctx.messagePath, ctx.crcRegister, header.crc32);
    }
    // The pump after writes may have let the last few pass; input that came
    // meanwhile is answered here, with the member whole on disk.
    if (PumpMessagesNow())
        AbortSilently();
}
