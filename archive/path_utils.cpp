// Path utilities shared by the entry output, the main dialog, the meter and
// the destination folder code. Plain NUL-terminated ANSI text; a separator is
// '/' or '\'.
#include "archive/entry_output.h"
#include "platform/win32.h"

__attribute__((noinline)) int IsSeparator(unsigned c) {
    return c == '\\' || c == '/';
}

// Not inlined: the search and its closing are smaller called than copied
// into the destination check and the member calls.
__attribute__((noinline)) int PathExists(const char *path, uint32_t *attributes) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    if (attributes && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        *attributes = FILE_ATTRIBUTE_DIRECTORY;
    FindClose(search);
    return 1;
}

int MakeFolder(const char *path) {
    return CreateDirectoryA(path, 0) != 0;
}

void AppendSeparator(char *text) {
    int length = lstrlenA(text);
    if (length == 0 || !IsSeparator(text[length - 1])) {
        text[length] = '\\';
        text[length + 1] = 0;
    }
}

void StripTrailingBackslash(char *text) {
    int length = lstrlenA(text);
    // A drive root (C:\) and the start of a UNC path keep their backslash.
    if (length > 2 && text[length - 1] == '\\' && text[length - 2] != '\\' && text[length - 2] != ':')
        text[length - 1] = 0;
}

int DriveIsValid(const char *path) {
    char root[4] = {path[0], ':', '\\', 0};
    // 0 (unknown) and 1 (no root folder) are the answers for a drive that is not there.
    return GetDriveTypeA(root) > DRIVE_NO_ROOT_DIR;
}

char *GetCurrentFolder(char *buffer, uint32_t size) {
    GetCurrentDirectoryA(size, buffer);
    return buffer;
}

int ChangeFolder(char *path) {
    int length = lstrlenA(path);
    // SetCurrentDirectoryA wants no trailing backslash except on a root.
    int cut = length > 3 && path[length - 1] == '\\';
    if (cut)
        path[length - 1] = 0;
    BOOL changed = SetCurrentDirectoryA(path);
    if (cut)
        path[length - 1] = '\\';
    return changed != 0;
}
