// The TextBlock: five NUL-terminated strings at [TextBlockOffset,
// ArchiveOffset) - the default folder, the after-unzip command (skipped
// unless the RunCommand flag is set), the start-up prompt, the title and the
// info text. The block comes from the
// image file, so its size, each string's length and each terminator are
// checked before anything is copied.
#include "app/error_exit.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/image_checks.h"

static_assert((int)kFolderCapacity < (int)kPathBufferSize, "the folder fits destinationFolder");
static_assert((int)kPromptCapacity < (int)kPromptSize, "the prompt fits its block");
static_assert((int)kTitleCapacity < (int)kTitleTextSize, "the title fits titleText");
static_assert((int)kInfoCapacity < (int)kInfoTextSize, "the info text fits infoText");
static_assert((int)kRunCapacity < (int)kAfterUnzipSize, "the command and its arguments fit their buffers");

struct TextCursor {
    const char *block;
    uint32_t length;
    uint32_t at;
};

// The string at the cursor, which then moves past its terminator. A string
// not terminated inside the block, or longer than capacity characters, is a
// corrupt header.
static const char *NextString(TextCursor *cursor, uint32_t capacity) {
    const char *text = cursor->block + cursor->at;
    uint32_t end = cursor->at;
    while (end < cursor->length && cursor->block[end] != 0)
        end++;
    if (end == cursor->length || end - cursor->at > capacity)
        HeaderCorrupt();
    cursor->at = end + 1;
    return text;
}

// Copies text up to stop (or its end) into buffer; more than kRunCapacity
// characters are a corrupt header. Answers where the copy stopped.
static const char *CopyRunPart(char *buffer, const char *text, char stop) {
    int length = 0;
    for (; text[length] != 0 && text[length] != stop; length++) {
        if (length == kRunCapacity)
            HeaderCorrupt();
        buffer[length] = text[length];
    }
    buffer[length] = 0;
    return text + length;
}

void ReadTextBlock() {
    uint32_t offset = configRecord.TextBlockOffset;
    uint32_t archive = configRecord.ArchiveOffset;
    if (offset == 0)
        return;
    if (offset > archive || archive - offset > kTextBlockMax)
        HeaderCorrupt();
    char block[kTextBlockMax];
    uint32_t length = archive - offset;
    if (!SeekFromStart(ctx.archiveFile, offset) || _lread(ctx.archiveFile, block, length) != length)
        HeaderCorrupt();

    uint32_t flags = configRecord.Flags;
    int hasTitle = (flags & kFlagHasTitle) != 0;
    TextCursor cursor = {block, length, 0};
    lstrcpyA(ctx.destinationFolder, NextString(&cursor, kFolderCapacity));
    const char *run = NextString(&cursor, kTextBlockMax);
    if (flags & kFlagRunCommand) {
        run = CopyRunPart(ctx.afterUnzipCommand, run, kRunSeparator);
        if (*run != 0)
            CopyRunPart(ctx.afterUnzipArguments, run + 1, 0);
    }
    const char *prompt = NextString(&cursor, kPromptCapacity);
    if (prompt[0] != 0) {
        ctx.startupPrompt = (char *)LocalAlloc(LPTR, kPromptSize);
        if (!ctx.startupPrompt)
            HeaderCorrupt();
        lstrcpyA(ctx.startupPrompt, prompt);
    }
    const char *title = NextString(&cursor, hasTitle ? kTitleCapacity : kTextBlockMax);
    if (hasTitle)
        lstrcpyA(ctx.titleText, title);
    lstrcpyA(ctx.infoText, NextString(&cursor, kInfoCapacity));
}
