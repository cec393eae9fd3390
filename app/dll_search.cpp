#include "app/dll_search.h"

enum { kSearchSystem32 = 0x800 };   // LOAD_LIBRARY_SEARCH_SYSTEM32

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

static HMODULE LoadFromSystem(const char *name) {
    char path[MAX_PATH + 16];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 0;
    lstrcpyA(path + length, name);
    return LoadLibraryA(path);
}

// The folder browser makes the shell load the common controls by name, on
// systems (and emulations) where the narrowed search does not reach such
// loads. Loaded from the system folder first, the name is already taken
// when the shell asks for it.
HMODULE LoadShellLibrary() {
    LoadFromSystem("\\comctl32.dll");
    return LoadFromSystem("\\shell32.dll");
}

#ifdef TARVEX_REAL_WIN32
#include "context/extraction_context.h"

enum { kShellMissing = 32 };   // SE_ERR_DLLNOTFOUND, an error like any other to the callers

typedef HINSTANCE(WINAPI *ShellExecuteCall)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
typedef HINSTANCE(WINAPI *FindExecutableCall)(LPCWSTR, LPCWSTR, LPWSTR);

static FARPROC ShellEntry(const char *name) {
    return ctx.shellLibrary ? GetProcAddress(ctx.shellLibrary, name) : 0;
}

HINSTANCE WINAPI ShellExecuteFromSystem(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder,
                                        INT show) {
    FARPROC call = ShellEntry("ShellExecuteW");
    if (!call)
        return (HINSTANCE)kShellMissing;
    return ((ShellExecuteCall)(void *)call)(owner, verb, file, parameters, folder, show);
}

HINSTANCE WINAPI FindExecutableFromSystem(LPCWSTR file, LPCWSTR folder, LPWSTR result) {
    FARPROC call = ShellEntry("FindExecutableW");
    if (!call)
        return (HINSTANCE)kShellMissing;
    return ((FindExecutableCall)(void *)call)(file, folder, result);
}
#endif
