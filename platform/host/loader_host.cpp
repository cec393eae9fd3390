// Modules on the host: the program itself, kernel32 with the two calls that
// narrow the library search, and the shell library. What the program asks
// of the loader is written to Sim().loaderLog in order.
#include <strings.h>

#include <cstring>

#include "platform/host/sim_internal.h"

using namespace hostsim;

static const HMODULE kProgramModule = (HMODULE)(uintptr_t)0x400000;
static const HMODULE kKernelModule = (HMODULE)(uintptr_t)0x7100000;
static const HMODULE kShellModule = (HMODULE)(uintptr_t)0x7000000;

HMODULE GetModuleHandleA(LPCSTR name) {
    if (!name)
        return kProgramModule;
    return strcasecmp(name, "kernel32.dll") == 0 || strcasecmp(name, "kernel32") == 0 ? kKernelModule : nullptr;
}

static BOOL WINAPI HostSetDefaultDllDirectories(DWORD flags) {
    char line[64];
    snprintf(line, sizeof line, "SetDefaultDllDirectories 0x%x", (unsigned)flags);
    Sim().loaderLog.push_back(line);
    return TRUE;
}

static BOOL WINAPI HostSetDllDirectoryA(LPCSTR path) {
    Sim().loaderLog.push_back(std::string("SetDllDirectoryA \"") + (path ? path : "(null)") + "\"");
    return TRUE;
}

// The shell loads by its bare name or by its path in the system folder.
HMODULE LoadLibraryA(LPCSTR name) {
    Sim().loaderLog.push_back(std::string("LoadLibraryA ") + name);
    std::string inSystem = Sim().systemDirectory + "\\shell32.dll";
    if (strcasecmp(name, "Shell32.dll") == 0 || strcasecmp(name, inSystem.c_str()) == 0)
        return kShellModule;
    return nullptr;
}

static intptr_t FakeShellFunction() {
    return 0;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module == kShellModule)
        return (FARPROC)FakeShellFunction;
    if (module != kKernelModule || !Sim().searchCallsPresent)
        return nullptr;
    if (strcmp(name, "SetDefaultDllDirectories") == 0)
        return (FARPROC)(void *)HostSetDefaultDllDirectories;
    if (strcmp(name, "SetDllDirectoryA") == 0)
        return (FARPROC)(void *)HostSetDllDirectoryA;
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    return module != nullptr;
}
