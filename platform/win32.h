// The seam between the logic and the platform. The logic calls Win32 by its
// own names; under mingw that is <windows.h>, on the host our simulated subset.
#pragma once

// Points of the archive walk where a host tool may look at the current
// member (mksfx info lists the members this way). Windows has no observer:
// there the calls are empty and cost nothing.
enum WalkTraceEvent {
    kTraceMemberRead = 1,   // the local header, the name and the extra field are read
    kTraceMemberDone = 2,   // the member is extracted, made or skipped
};

// The real Win32: the stub and the Windows tools. mksfx.exe, a Windows
// program too, runs the logic on the simulated layer instead
// (TARVEX_SIMULATED_WIN32), as the host build does.
#if defined(_WIN32) && !defined(TARVEX_SIMULATED_WIN32)
#define TARVEX_REAL_WIN32 1
#endif

#ifdef TARVEX_REAL_WIN32
#include <windows.h>

// The shell library is never imported: an imported library is looked for
// beside the program first, where anyone can put one of that name. Start-up
// loads it from the system folder (app/dll_search.h); its two launching
// calls reach it there under their usual names.
HINSTANCE WINAPI ShellExecuteFromSystem(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR folder,
                                        INT show);
HINSTANCE WINAPI FindExecutableFromSystem(LPCSTR file, LPCSTR folder, LPSTR result);
#define ShellExecuteA ShellExecuteFromSystem
#define FindExecutableA FindExecutableFromSystem
static inline void WalkTrace(WalkTraceEvent) {}
#else
#include "platform/host/win32_host.h"
#endif
