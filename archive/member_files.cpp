#include "archive/member_files.h"

#include "base/path_utils.h"
#include "context/extraction_context.h"

void ShowPathInMessages(const WCHAR *path) {
    WCHAR *shown = ctx.messagePath;
    while (*path && shown < ctx.messagePath + kMessagePathSize - 1)
        *shown++ = *path++;
    *shown = 0;
}

int MemberPathExists(const WCHAR *path) {
    return PathExists(path, 0);
}

int MakeMemberFolder(const WCHAR *path) {
    return MakeFolder(path);
}

HFILE CreateMemberFile(const WCHAR *path) {
    // What _lcreat asks of CreateFileA; the handle serves _lwrite,
    // SetFileTime and _lclose alike.
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, 0,
                              CREATE_ALWAYS, 0, 0);
    return (HFILE)(INT_PTR)file;
}
