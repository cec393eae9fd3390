#include "image/resources.h"

#include "base/error_exit.h"
#include "base/global_blocks.h"
#include "codec/inflate.h"
#include "codec/window.h"
#include "context/extraction_context.h"
#include "image/resource_data.h"

// A DLGTEMPLATE starts with its style, little-endian: WS_VISIBLE (0x10000000)
// is bit 4 of its fourth byte.
enum TemplateStyle : uint8_t {
    kTemplateStyleTopByte = 3,
    kVisibleStyleBit = 0x10,
};
static_assert((uint32_t)kVisibleStyleBit << 24 == WS_VISIBLE, "WS_VISIBLE in the style's top byte");

static_assert((int)kStringOffsetCount == (int)kResourceOffsetCount, "one offset for every string and the template");
static_assert(kResourceBufferSize <= 0xFFFF, "offsets into the block fit 16 bits");

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
    // A damaged stream is judged by the caller's own checks.
    if (DecodeStream() == kInflateNoMemory)
        ShowError(kInflateNoMemoryText);
    ctx.memoryMode = 0;
    ctx.inputCursor = 0;
    ctx.inputCount = 0;
    ctx.outputPointer = 0;
    ctx.memoryEnd = 0;
}

// Fills stringOffsets from the expansion itself: each string starts behind
// the previous one's NUL, the template behind the last. False unless the 52
// strings end exactly where the string area was built to end (so the
// template and the copy made of it lie where they were built).
static int FindStrings(const uint8_t *block, uint32_t stringAreaSize) {
    uint32_t at = 0;
    for (uint32_t i = 0; i < kResourceStringCount; i++) {
        ctx.stringOffsets[i] = (uint16_t)at;
        while (at < stringAreaSize && block[at] != 0)
            at++;
        at++;
    }
    ctx.stringOffsets[kMainDialogTemplate] = (uint16_t)at;
    return at == stringAreaSize;
}

void ExpandResourceStream(const uint8_t *stream, uint32_t length, uint32_t stringAreaSize) {
    uint8_t *work = (uint8_t *)LocalAlloc(LPTR, kResourceBufferSize);
    if (!work)
        HeaderCorrupt();
    work[kResourceSentinelAt] = kSentinelFirst;
    work[kResourceSentinelAt + 1] = kSentinelSecond;
    DecodeIntoMemory(stream, length, work, kResourceBufferSize);
    if (work[kResourceSentinelAt] != kSentinelFirst || work[kResourceSentinelAt + 1] != kSentinelSecond ||
        !FindStrings(work, stringAreaSize)) {
        LocalFree(work);
        HeaderCorrupt();
    }
    // Only the strings change code page; the template behind them is UTF-16.
    OemToCharBuffA((LPCSTR)work, (LPSTR)work, stringAreaSize);

    // Every later lookup goes through this block, so not getting it is as
    // fatal as not getting the working buffer.
    uint8_t *lasting = (uint8_t *)LockedGlobalBlock(GPTR, kResourceBufferSize);
    if (!lasting) {
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

// Not inlined: a call with the index is smaller than the two loads (and
// their relocations) at each of the many uses.
__attribute__((noinline)) const char *LookupString(int index) {
    return (const char *)ctx.resourceBlock + ctx.stringOffsets[index];
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
    if (GuardedDialogCall(owner, ExpandPasswordTemplate) == kGuardDone)
        result = RunDialogFromCopy(ctx.passwordTemplate, kPasswordBufferSize, owner, dialogProc);
    LocalFree(ctx.passwordTemplate);
    ctx.passwordTemplate = 0;
    return result;
}

INT_PTR RunDialogFromCopy(const void *dialogTemplate, uint32_t size, HWND owner, DLGPROC dialogProc) {
    uint8_t *copy = (uint8_t *)LockedGlobalBlock(GHND, size);
    if (!copy)
        return 0;
    CopyBlock(copy, (const uint8_t *)dialogTemplate, size);
    // Under -silent the dialog is made without WS_VISIBLE (the top byte of
    // the template's style) and ends before it has nothing left to do,
    // which is when the dialog manager would show it.
    if (ctx.silent)
        copy[kTemplateStyleTopByte] &= ~kVisibleStyleBit;
    INT_PTR result = DialogBoxIndirectParamA(ctx.instance, (LPCDLGTEMPLATEA)copy, owner, dialogProc, 0);
    FreeLockedGlobal(copy);
    return result;
}
