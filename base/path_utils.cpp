// Path utilities shared by the entry output, the main dialog, the meter and
// the destination folder code. NUL-terminated wide text (ANSI where the type
// says so); a separator is '/' or '\'.
#include "base/path_utils.h"

#include "platform/win32.h"

__attribute__((noinline)) int IsSeparator(unsigned c) {
    return c == '\\' || c == '/';
}

WCHAR *CopyWide(WCHAR *to, const WCHAR *from) {
    while ((*to = *from++) != 0)
        to++;
    return to;
}

int PathExists(const WCHAR *path, uint32_t *attributes) {
    // Unlike a search, this takes '*' and '?' in a name for what they are.
    DWORD found = GetFileAttributesW(path);
    if (found == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (attributes && (found & FILE_ATTRIBUTE_DIRECTORY))
        *attributes = FILE_ATTRIBUTE_DIRECTORY;
    return 1;
}

int MakeFolder(const WCHAR *path) {
    return CreateDirectoryW(path, 0) != 0;
}

void AppendSeparator(char *text) {
    int length = lstrlenA(text);
    if (length == 0 || !IsSeparator(text[length - 1])) {
        text[length] = '\\';
        text[length + 1] = 0;
    }
}

void StripTrailingBackslash(WCHAR *text) {
    int length = lstrlenW(text);
    // A drive root (C:\) and the start of a UNC path keep their backslash.
    if (length > 2 && text[length - 1] == '\\' && text[length - 2] != '\\' && text[length - 2] != ':')
        text[length - 1] = 0;
}

int DriveIsValid(const WCHAR *path) {
    WCHAR root[4] = {path[0], ':', '\\', 0};
    // 0 (unknown) and 1 (no root folder) are the answers for a drive that is not there.
    return GetDriveTypeW(root) > DRIVE_NO_ROOT_DIR;
}

WCHAR *GetCurrentFolder(WCHAR *buffer, uint32_t size) {
    GetCurrentDirectoryW(size, buffer);
    return buffer;
}

int ChangeFolder(WCHAR *path) {
    int length = lstrlenW(path);
    // SetCurrentDirectory wants no trailing backslash except on a root.
    int cut = length > 3 && path[length - 1] == '\\';
    if (cut)
        path[length - 1] = 0;
    BOOL changed = SetCurrentDirectoryW(path);
    if (cut)
        path[length - 1] = '\\';
    return changed != 0;
}
