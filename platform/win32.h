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

// A UTF-16 literal of type WCHAR: wchar_t under mingw, char16_t on the host.
#define WIDE_TEXT(text) L##text

// The shell library is never imported: an imported library is looked for
// beside the program first, where anyone can put one of that name. Start-up
// loads it from the system folder (app/dll_search.h); its two launching
// calls reach it there under their usual names.
HINSTANCE WINAPI ShellExecuteFromSystem(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder,
                                        INT show);
HINSTANCE WINAPI FindExecutableFromSystem(LPCWSTR file, LPCWSTR folder, LPWSTR result);
#undef ShellExecute
#undef FindExecutable
#define ShellExecuteW ShellExecuteFromSystem
#define FindExecutableW FindExecutableFromSystem
static inline void WalkTrace(WalkTraceEvent) {}

// The most used imports are called through the import library's jump stub
// (a call to "_Name@N") instead of through the import address table: a
// direct call is a byte shorter than an indirect one and needs no base
// relocation, so the stub's own six-byte jump and its one relocation pay
// for themselves from about four calls on.
extern "C" {
LPSTR WINAPI DirectLstrcpyA(LPSTR to, LPCSTR from) __asm__("_lstrcpyA@8");
int WINAPI DirectLstrlenA(LPCSTR text) __asm__("_lstrlenA@4");
int WINAPIV DirectWsprintfA(LPSTR out, LPCSTR format, ...) __asm__("_wsprintfA");
UINT WINAPI DirectLread(HFILE file, LPVOID buffer, UINT count) __asm__("__lread@12");
UINT WINAPI DirectLwrite(HFILE file, LPCSTR buffer, UINT count) __asm__("__lwrite@12");
HWND WINAPI DirectGetDlgItem(HWND dialog, int id) __asm__("_GetDlgItem@8");
BOOL WINAPI DirectSetDlgItemTextA(HWND dialog, int id, LPCSTR text) __asm__("_SetDlgItemTextA@12");
LRESULT WINAPI DirectSendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
    __asm__("_SendDlgItemMessageA@20");
HLOCAL WINAPI DirectLocalAlloc(UINT flags, SIZE_T size) __asm__("_LocalAlloc@8");
HLOCAL WINAPI DirectLocalFree(HLOCAL block) __asm__("_LocalFree@4");
HFILE WINAPI DirectLclose(HFILE file) __asm__("__lclose@4");
BOOL WINAPI DirectEndDialog(HWND dialog, INT_PTR result) __asm__("_EndDialog@8");
BOOL WINAPI DirectInvalidateRect(HWND window, const RECT *rect, BOOL erase) __asm__("_InvalidateRect@12");
LRESULT WINAPI DirectSendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) __asm__("_SendMessageA@16");
BOOL WINAPI DirectShowWindow(HWND window, int show) __asm__("_ShowWindow@8");
BOOL WINAPI DirectUpdateWindow(HWND window) __asm__("_UpdateWindow@4");
}
#define lstrcpyA DirectLstrcpyA
#define lstrlenA DirectLstrlenA
#define wsprintfA DirectWsprintfA
#define _lread DirectLread
#define _lwrite DirectLwrite
#define GetDlgItem DirectGetDlgItem
#define SetDlgItemTextA DirectSetDlgItemTextA
#define SendDlgItemMessageA DirectSendDlgItemMessageA
#define LocalAlloc DirectLocalAlloc
#define LocalFree DirectLocalFree
#define _lclose DirectLclose
#define EndDialog DirectEndDialog
#define InvalidateRect DirectInvalidateRect
#define SendMessageA DirectSendMessageA
#define ShowWindow DirectShowWindow
#define UpdateWindow DirectUpdateWindow
#else
#include "platform/host/win32_host.h"
#define WIDE_TEXT(text) u##text
#endif
