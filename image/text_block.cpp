// The TextBlock: five NUL-terminated strings at [TextBlockOffset,
// ArchiveOffset) - the default folder, the after-unzip command (skipped
// unless the RunCommand flag is set), the start-up prompt, the title and the
// info text - each decoded into its wide field. The block comes from the
// image file, so its size, each terminator and each decoded length are
// checked.
#include "base/error_exit.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/image_checks.h"

static_assert((int)kFolderCapacity < (int)kPathBufferSize, "the folder fits destinationFolder");
static_assert((int)kPromptCapacity < (int)kPromptSize, "the prompt fits its block");
static_assert((int)kTitleCapacity < (int)kTitleTextSize, "the title fits titleText");
static_assert((int)kInfoCapacity < (int)kInfoTextSize, "the info text fits infoText");
static_assert((int)kRunCapacity < (int)kAfterUnzipSize, "the command and its arguments fit their buffers");

struct TextCursor {
    char *block;
    uint32_t length;
    uint32_t at;
};

// The string at the cursor, which then moves past its terminator. A string
// not terminated inside the block is a corrupt header.
static char *NextString(TextCursor *cursor) {
    char *text = cursor->block + cursor->at;
    uint32_t end = cursor->at;
    while (end < cursor->length && cursor->block[end] != 0)
        end++;
    if (end == cursor->length)
        HeaderCorrupt();
    cursor->at = end + 1;
    return text;
}

// text into wide, which holds capacity characters and the terminator: UTF-8
// in an image that says so, else text of the ANSI code page. A text that
// does not fit is a corrupt header. The conversion measures what the user
// sees, so a text of multi-byte characters takes as many as it shows.
static void DecodeText(const char *text, WCHAR *wide, int capacity) {
    UINT codePage = (configRecord.Flags & kFlagUtf8Text) ? CP_UTF8 : CP_ACP;
    if (!MultiByteToWideChar(codePage, 0, text, -1, wide, capacity + 1))
        HeaderCorrupt();
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
    TextCursor cursor = {block, length, 0};
    DecodeText(NextString(&cursor), ctx.destinationFolder, kFolderCapacity);
    char *run = NextString(&cursor);
    if (flags & kFlagRunCommand) {
        // The separator is a byte of its own in either reading.
        char *arguments = run;
        while (*arguments != 0 && *arguments != kRunSeparator)
            arguments++;
        if (*arguments != 0)
            *arguments++ = 0;
        DecodeText(run, ctx.afterUnzipCommand, kRunCapacity);
        DecodeText(arguments, ctx.afterUnzipArguments, kRunCapacity);
    }
    const char *prompt = NextString(&cursor);
    if (prompt[0] != 0) {
        ctx.startupPrompt = (WCHAR *)LocalAlloc(LPTR, kPromptSize * sizeof(WCHAR));
        if (!ctx.startupPrompt)
            HeaderCorrupt();
        DecodeText(prompt, ctx.startupPrompt, kPromptCapacity);
    }
    const char *title = NextString(&cursor);
    if (flags & kFlagHasTitle)
        DecodeText(title, ctx.titleText, kTitleCapacity);
    DecodeText(NextString(&cursor), ctx.infoText, kInfoCapacity);
}
