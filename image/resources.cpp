#include "image/resources.h"

#include "app/error_exit.h"
#include "codec/inflate.h"
#include "codec/window.h"
#include "context/extraction_context.h"
#include "image/resource_data.h"

// Not in the StringTable: the password template is needed while the table
// may be the very thing memory ran out for.
static const char kNoMemoryForResources[] = "no memory for resources";

// One memory-mode decode of stream into the zero-filled destination of size
// bytes. The decoder never writes past memoryEnd, so an overlong stream ends
// in the destination's last bytes instead of beyond them.
static void DecodeIntoMemory(const uint8_t *stream, uint32_t length, uint8_t *destination, uint32_t size) {
    ctx.inputCursor = stream;
    ctx.inputCount = (int32_t)length;
    ctx.outputPointer = destination;
    ctx.memoryEnd = destination + size;
    ctx.memoryMode = 1;
    DecodeStream();   // judged by the caller's own checks, not by its result
    ctx.memoryMode = 0;
    ctx.inputCursor = 0;
    ctx.inputCount = 0;
    ctx.outputPointer = 0;
    ctx.memoryEnd = 0;
}

void ExpandResourceStream(const uint8_t *stream, uint32_t length, uint32_t stringAreaSize) {
    uint8_t *work = (uint8_t *)LocalAlloc(LPTR, kResourceBufferSize);
    if (!work)
        HeaderCorrupt();
    work[kResourceSentinelAt] = kSentinelFirst;
    work[kResourceSentinelAt + 1] = kSentinelSecond;
    DecodeIntoMemory(stream, length, work, kResourceBufferSize);
    if (work[kResourceSentinelAt] != kSentinelFirst || work[kResourceSentinelAt + 1] != kSentinelSecond) {
        LocalFree(work);
        HeaderCorrupt();
    }
    // Only the strings change code page; the template behind them is UTF-16.
    OemToCharBuffA((LPCSTR)work, (LPSTR)work, stringAreaSize);

    // Every later lookup goes through this block, so not getting it is as
    // fatal as not getting the working buffer.
    HGLOBAL handle = GlobalAlloc(GPTR, kResourceBufferSize);
    uint8_t *lasting = handle ? (uint8_t *)GlobalLock(handle) : 0;
    if (!lasting) {
        if (handle)
            GlobalFree(handle);
        LocalFree(work);
        HeaderCorrupt();
    }
    CopyBlock(lasting, work, kResourceBufferSize);
    ctx.resourceBlock = lasting;
    LocalFree(work);
}

void ExpandResourceBlock() {
    ExpandResourceStream(compressedResourceBlock, compressedResourceBlockSize,
                         resourceOffsets[kMainDialogTemplate]);
}

const char *LookupString(int index) {
    return (const char *)ctx.resourceBlock + resourceOffsets[index];
}

// Under the owner dialog's own guard: no memory for the working buffer, or
// for the decoder's tables, ends the program from there.
static void ExpandPasswordTemplate() {
    ctx.passwordTemplate = (uint8_t *)LocalAlloc(LPTR, kPasswordBufferSize);
    if (!ctx.passwordTemplate)
        ShowError(kNoMemoryForResources);
    DecodeIntoMemory(compressedPasswordTemplate, compressedPasswordTemplateSize, ctx.passwordTemplate,
                     kPasswordBufferSize);
}

INT_PTR RunPasswordTemplate(HWND owner, DLGPROC dialogProc) {
    INT_PTR result = 0;
    if (GuardedDialogCall(owner, ExpandPasswordTemplate) == kGuardDone) {
        // The dialog gets a block of its own: a template must be DWORD-aligned.
        HGLOBAL handle = GlobalAlloc(GHND, kPasswordBufferSize);
        uint8_t *copy = handle ? (uint8_t *)GlobalLock(handle) : 0;
        if (copy) {
            CopyBlock(copy, ctx.passwordTemplate, kPasswordBufferSize);
            result = DialogBoxIndirectParamA(ctx.instance, (LPCDLGTEMPLATEA)copy, owner, dialogProc, 0);
            GlobalUnlock(handle);
        }
        if (handle)
            GlobalFree(handle);
    }
    LocalFree(ctx.passwordTemplate);
    ctx.passwordTemplate = 0;
    return result;
}
