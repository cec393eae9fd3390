#include "archive/member_files.h"

#include "archive/entry_output.h"
#include "context/extraction_context.h"

// A classic path in the ANSI code page: at most two bytes a character.
enum { kAnsiPathSize = 2 * kPathBufferSize };

static_assert(kAnsiPathSize >= 2 * (kMaxPathLength + 1), "a classic path fits in its ANSI form");

int LongPrefixLength(const WCHAR *path) {
    if (path[0] != '\\' || path[1] != '\\' || (path[2] != '?' && path[2] != '.') || path[3] != '\\')
        return 0;
    if (path[4] == 'U' && path[5] == 'N' && path[6] == 'C' && path[7] == '\\')
        return kUncLongPrefixLength;
    return kLongPrefixLength;
}

// path for the ANSI calls. A path takes them only when it came from the
// ANSI code page, so turning it back is exact.
static const char *AnsiPath(const WCHAR *path, char *text) {
    if (!WideCharToMultiByte(CP_ACP, 0, path, -1, text, kAnsiPathSize, 0, 0))
        text[0] = 0;
    return text;
}

int MemberPathExists(const WCHAR *path) {
    char text[kAnsiPathSize];
    if (!ctx.wideCalls)
        return PathExists(AnsiPath(path, text), 0);
    // Unlike a search, this takes '*' and '?' in a name for what they are.
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

int MakeMemberFolder(const WCHAR *path) {
    char text[kAnsiPathSize];
    if (!ctx.wideCalls)
        return MakeFolder(AnsiPath(path, text)) == 0;
    return CreateDirectoryW(path, 0) != 0;
}

HFILE CreateMemberFile(const WCHAR *path) {
    char text[kAnsiPathSize];
    if (!ctx.wideCalls)
        return _lcreat(AnsiPath(path, text), 0);
    // What _lcreat asks of CreateFileA; the handle serves _lwrite,
    // SetFileTime and _lclose alike.
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                              CREATE_ALWAYS, 0, 0);
    return (HFILE)(INT_PTR)file;
}

void FormatPathForDisplay(const WCHAR *path, char *text) {
    int prefix = LongPrefixLength(path);
    char *shown = text;
    if (prefix == kUncLongPrefixLength) {
        *shown++ = '\\';
        *shown++ = '\\';
    }
    *shown = 0;
    int room = kMessagePathSize - (int)(shown - text);
    if (!WideCharToMultiByte(CP_ACP, ctx.unicodeName ? WC_NO_BEST_FIT_CHARS : 0, path + prefix, -1, shown, room, 0,
                             0))
        text[kMessagePathSize - 1] = 0;
}
