#include "base/run_log.h"

#include "base/exit_codes.h"
#include "context/extraction_context.h"

enum RunLogSizes {
    kLogWideSize = 1024,                // the longest message, a path in it included
    kLogLineSize = 3 * kLogWideSize + 16,   // UTF-8 takes at most 3 bytes a UTF-16 unit
};

static_assert((int)kLogWideSize >= (int)kMessageBufferSize, "every message fits the wide buffer");
static_assert((int)kLogWideSize >= (int)kMemberNameSize, "every member name fits the wide buffer");

static const char kLogLabels[] = "message: \0written: \0kept: \0exit: ";
static_assert(sizeof kLogLabels == kLogExit + 7, "the labels lie at their offsets");

// Writes label, the text in UTF-8 with every control character as a blank
// (one event, one line) and the line's end.
static void WriteLine(LogLabel label, const WCHAR *text) {
    char line[kLogLineSize];
    int length = lstrlenA(lstrcpyA(line, kLogLabels + label));
    // The count includes the terminator, which the line's end replaces.
    int end = length + WideCharToMultiByte(CP_UTF8, 0, text, -1, line + length, kLogLineSize - length - 1, 0, 0);
    for (; length < end; length++)
        if ((uint8_t)line[length] < ' ')
            line[length] = ' ';
    line[end - 1] = '\r';
    line[end] = '\n';
    _lwrite(ctx.logFile, line, end + 1);
}

void LogWide(LogLabel label, const WCHAR *text) {
    if (ctx.logFile)
        WriteLine(label, text);
}

void LogMember(LogLabel label) {
    if (ctx.logFile)
        WriteLine(label, ctx.memberName);
}

void LogExit() {
    static_assert(kExitNeedsAnswer < 10, "every exit code is one digit");
    WCHAR digit[2] = {(WCHAR)('0' + ctx.exitStatus), 0};
    LogWide(kLogExit, digit);
}
