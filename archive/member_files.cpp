#include "archive/member_files.h"

#include "archive/entry_output.h"
#include "context/extraction_context.h"

static_assert(kMessagePathSize >= 2 * (kMaxPathLength + 1), "a classic path fits in its ANSI form");

// A path that came from the ANSI code page (so turning it back is exact).
static void AnsiPath(const WCHAR *path, char *text) {
    if (!WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, text, kMessagePathSize, 0, 0))
        text[kMessagePathSize - 1] = 0;
}

void ShowPathInMessages(const WCHAR *path) {
    WCHAR *shown = ctx.messagePath;
    while (*path && shown < ctx.messagePath + kMessagePathSize - 1)
        *shown++ = *path++;
    *shown = 0;
}

// The one call on a member's path that each of the functions below makes:
// through the ANSI calls for a path that came from the ANSI code page (so
// turning it back is exact), through the wide calls otherwise.
enum MemberCall {
    kCallExists,
    kCallMakeFolder,
    kCallCreateFile,
};

static HFILE CallOnPath(MemberCall call, const WCHAR *path) {
    if (!ctx.wideCalls) {
        char text[kMessagePathSize];
        AnsiPath(path, text);
        if (call == kCallExists)
            return PathExists(text, 0);
        if (call == kCallMakeFolder)
            return MakeFolder(text);
        return _lcreat(text, 0);
    }
    if (call == kCallExists)
        // Unlike a search, this takes '*' and '?' in a name for what they are.
        return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
    if (call == kCallMakeFolder)
        return CreateDirectoryW(path, 0) != 0;
    // What _lcreat asks of CreateFileA; the handle serves _lwrite,
    // SetFileTime and _lclose alike.
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                              CREATE_ALWAYS, 0, 0);
    return (HFILE)(INT_PTR)file;
}

int MemberPathExists(const WCHAR *path) {
    return CallOnPath(kCallExists, path);
}

int MakeMemberFolder(const WCHAR *path) {
    return CallOnPath(kCallMakeFolder, path);
}

HFILE CreateMemberFile(const WCHAR *path) {
    return CallOnPath(kCallCreateFile, path);
}
