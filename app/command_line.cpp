#include "app/command_line.h"

#include "archive/member_files.h"
#include "base/error_exit.h"
#include "base/run_log.h"
#include "context/extraction_context.h"
#include "image/resources.h"

enum {
    kCaseBit = 0x20,
    kInfoLength = 5,
    kNoAutoLength = 6,
    kAutoLength = 4,   // also the fewest characters an option can have
};

static const char kInfoOption[] = "-info";
static_assert(sizeof(kInfoOption) == kInfoLength + 1, "-info is five bytes");

WCHAR *ArgumentText(WCHAR *commandLine) {
    if (commandLine[0] == 0)
        return commandLine;
    WCHAR delimiter = commandLine[0] == '"' ? '"' : ' ';
    WCHAR *p = commandLine + 1;
    while (*p != 0 && *p != delimiter)
        p++;
    return *p != 0 ? p + 1 : p;
}

static int IsBlank(WCHAR c) {
    return c == ' ' || c == '\t';
}

// Words are parted by blanks, tabs and the other control characters; a
// quote opens or closes a quoted one. The text's end parts it too.
static int PartsWords(WCHAR c) {
    return c <= ' ' || c == '"';
}

// Whether text starts with the first length characters of word (ASCII);
// stops at the first difference, so a shorter text is never read past.
static int StartsWith(const WCHAR *text, const char *word, int length) {
    for (int i = 0; i < length; i++)
        if (text[i] != (uint8_t)word[i])
            return 0;
    return 1;
}

int HasInfoOption(const WCHAR *arguments) {
    for (const WCHAR *p = arguments; *p != 0; p++) {
        // The character after the word is read only once the word is there:
        // nearer the end, it would lie past the text.
        if ((p == arguments || PartsWords(p[-1])) && StartsWith(p, kInfoOption, kInfoLength) &&
            (p[kInfoLength] == ':' || PartsWords(p[kInfoLength])))
            return 1;
    }
    return 0;
}

static WCHAR *SkipBlanks(WCHAR *p) {
    while (IsBlank(*p))
        p++;
    return p;
}

// The length of name (in capitals) when text starts with it in any case and
// the word ends there; 0 otherwise.
static int SwitchLength(const WCHAR *text, const char *name) {
    int n = 0;
    for (; name[n] != 0; n++)
        if ((text[n] & ~kCaseBit) != name[n])
            return 0;
    return text[n] == 0 || IsBlank(text[n]) ? n : 0;
}

void OpenRunLog(const WCHAR *path) {
    HFILE file = CreateMemberFile(path);
    ctx.logFile = file == HFILE_ERROR ? 0 : file;
}

// Opens the run log named at text, quoted or up to the next blank or tab;
// the name's end is overwritten with its terminator. Answers the text
// behind it.
static WCHAR *TakeLogName(WCHAR *text) {
    WCHAR stop = ' ';
    if (*text == '"')
        stop = *text++;
    WCHAR *name = text;
    while (*text != 0 && *text != stop && !(stop == ' ' && *text == '\t'))
        text++;
    if (*text != 0)
        *text++ = 0;
    if (*name != 0)
        OpenRunLog(name);
    return text;
}

// The switch names in capitals, in the order of SwitchIndex.
static const char kSwitchNames[] = "Y\0SILENT\0LOG";
enum SwitchIndex { kSwitchYes, kSwitchSilent, kSwitchLog, kSwitchCount };

static_assert(offsetof(ExtractionContext, silent) == offsetof(ExtractionContext, answerYes) + kSwitchSilent,
              "the flags of -y and -silent lie in the order of their switches");

WCHAR *ScanSwitches(WCHAR *arguments) {
    WCHAR *p = arguments;
    for (;;) {
        WCHAR *start = p;
        p = SkipBlanks(p);
        if (*p != '-' && *p != '/')
            return start;
        p++;
        int which = 0, length = 0;
        for (const char *name = kSwitchNames; which < kSwitchCount; name += lstrlenA(name) + 1, which++)
            if ((length = SwitchLength(p, name)) != 0)
                break;
        if (which == kSwitchCount)
            return start;
        p += length;
        if (which == kSwitchLog)
            p = TakeLogName(SkipBlanks(p));
        else
            (&ctx.answerYes)[which] = 1;
    }
}

static WCHAR *FirstOption(WCHAR *arguments) {
    for (WCHAR *p = arguments; *p != 0; p++)
        if (*p == '-' || *p == '/')
            return p + 1;
    return 0;
}

// Copies the folder behind AUTO (without its quotes when quoted) into
// destinationFolder, or refuses one that does not fit.
static void TakeFolder(const WCHAR *folder) {
    int quoted = folder[0] == '"';
    if (quoted)
        folder++;
    int length = 0;
    while (folder[length] != 0 && !(quoted && folder[length] == '"'))
        length++;
    if (length >= kPathBufferSize) {
        const char *refusal = LookupString(kStrBadCommandLineFolder);
        // Under -silent no one could choose another folder.
        if (ctx.silent)
            ShowError(refusal);
        ShowBox(refusal, MB_ICONERROR);
        ctx.autoMode = 0;
        return;
    }
    for (int i = 0; i < length; i++)
        ctx.destinationFolder[i] = folder[i];
    ctx.destinationFolder[length] = 0;
}

void ScanCommandLine(WCHAR *arguments) {
    WCHAR *token = FirstOption(arguments);
    if (!token || lstrlenW(token) < kAutoLength)
        return;
    for (WCHAR *p = token; *p != 0 && *p != ' '; p++)
        *p = (WCHAR)(*p & ~kCaseBit);
    if (StartsWith(token, LookupString(kStrNoAuto), kNoAutoLength)) {
        ctx.autoMode = 0;
        return;
    }
    if (!StartsWith(token, LookupString(kStrAuto), kAutoLength))
        return;
    ctx.autoMode = 1;
    const WCHAR *folder = token + kAutoLength;
    while (*folder == ' ')
        folder++;
    if (*folder != 0)
        TakeFolder(folder);
}
