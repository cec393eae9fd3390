#include "app/command_line.h"

#include "app/error_exit.h"
#include "context/extraction_context.h"
#include "image/byte_compare.h"
#include "image/resources.h"

enum {
    kCaseBit = 0x20,
    kInfoLength = 5,
    kNoAutoLength = 6,
    kAutoLength = 4,   // also the fewest characters an option can have
};

static const char kInfoOption[] = "-info";
static_assert(sizeof(kInfoOption) == kInfoLength + 1, "-info is five bytes");

char *ArgumentText(char *commandLine) {
    if (commandLine[0] == 0)
        return commandLine;
    char delimiter = commandLine[0] == '"' ? '"' : ' ';
    char *p = commandLine + 1;
    while (*p != 0 && *p != delimiter)
        p++;
    return *p != 0 ? p + 1 : p;
}

// A word ends at a blank, at a quote (a quoted argument that follows it) or
// at the end of the text.
static int EndsWord(char c) {
    return c == 0 || c == ' ' || c == '"';
}

int HasInfoOption(const char *arguments) {
    for (const char *p = arguments; *p != 0; p++) {
        int startsWord = p == arguments || p[-1] == ' ';
        if (startsWord && ByteCompare(p, kInfoOption, kInfoLength) == 0 && EndsWord(p[kInfoLength]))
            return 1;
    }
    return 0;
}

static char *FirstOption(char *arguments) {
    for (char *p = arguments; *p != 0; p++)
        if (*p == '-' || *p == '/')
            return p + 1;
    return 0;
}

// Copies the folder behind AUTO (without its quotes when quoted) into
// destinationFolder, or refuses one that does not fit.
static void TakeFolder(const char *folder) {
    int quoted = folder[0] == '"';
    if (quoted)
        folder++;
    int length = 0;
    while (folder[length] != 0 && !(quoted && folder[length] == '"'))
        length++;
    if (length >= kPathBufferSize) {
        ShowBox(LookupString(kStrBadCommandLineFolder), MB_ICONERROR);
        ctx.autoMode = 0;
        return;
    }
    for (int i = 0; i < length; i++)
        ctx.destinationFolder[i] = folder[i];
    ctx.destinationFolder[length] = 0;
}

void ScanCommandLine(char *arguments) {
    char *token = FirstOption(arguments);
    if (!token || lstrlenA(token) < kAutoLength)
        return;
    for (char *p = token; *p != 0 && *p != ' '; p++)
        *p = (char)(*p & ~kCaseBit);
    if (ByteCompare(token, LookupString(kStrNoAuto), kNoAutoLength) == 0) {
        ctx.autoMode = 0;
        return;
    }
    if (ByteCompare(token, LookupString(kStrAuto), kAutoLength) != 0)
        return;
    ctx.autoMode = 1;
    const char *folder = token + kAutoLength;
    while (*folder == ' ')
        folder++;
    if (*folder != 0)
        TakeFolder(folder);
}
