#include "app/dll_search.h"

enum { kSearchSystem32 = 0x800 };   // LOAD_LIBRARY_SEARCH_SYSTEM32

static const char kShellName[] = "\\shell32.dll";

typedef BOOL(WINAPI *SetDefaultDllDirectoriesCall)(DWORD flags);
typedef BOOL(WINAPI *SetDllDirectoryCall)(LPCSTR path);

// Both calls are newer than the oldest systems the stub runs on, so they are
// looked up rather than imported.
void RestrictDllSearch() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return;
    FARPROC setDefault = GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault)
        ((SetDefaultDllDirectoriesCall)(void *)setDefault)(kSearchSystem32);
    FARPROC setDirectory = GetProcAddress(kernel, "SetDllDirectoryA");
    if (setDirectory)
        ((SetDllDirectoryCall)(void *)setDirectory)("");
}

HMODULE LoadShellLibrary() {
    char path[MAX_PATH + sizeof kShellName];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    lstrcpyA(path + length, kShellName);
    return LoadLibraryA(path);
}
