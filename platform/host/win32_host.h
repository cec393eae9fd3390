// A small simulated subset of Win32 for the host build: the calls the logic
// makes, behaving like the real ones where the logic relies on it (return
// values, short reads, -1 on failure). Paths are Windows paths mapped onto a
// test folder (see host_control.h). Only what the extractor uses is here.
#pragma once
#include "platform/win32.h"   // the seam's own declarations (WalkTraceEvent)

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef int32_t LONG;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef char CHAR;
typedef char *LPSTR;
typedef const char *LPCSTR;
typedef char16_t WCHAR;   // UTF-16 code units, as on Windows
typedef WCHAR *LPWSTR;
typedef const WCHAR *LPCWSTR;
typedef void *LPVOID;
typedef const void *LPCVOID;
typedef void *HANDLE;
typedef int HFILE;
typedef struct HWND__ *HWND;
typedef struct HINSTANCE__ *HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HFONT__ *HFONT;
typedef struct HCURSOR__ *HCURSOR;
typedef struct HKEY__ *HKEY;
typedef struct HDC__ *HDC;
typedef void *HGLOBAL;
typedef void *HLOCAL;
typedef intptr_t (*FARPROC)();
typedef INT_PTR (*DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef const void *LPCDLGTEMPLATEA;

#define TRUE 1
#define FALSE 0
#define MAX_PATH 260
#define CALLBACK
#define WINAPI

#define HFILE_ERROR ((HFILE)-1)
#define OF_READ 0x0000
#define OF_SHARE_DENY_WRITE 0x0020
#define OF_SHARE_DENY_NONE 0x0040
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_NORMAL 0x80
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x1
#define FILE_SHARE_WRITE 0x2
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3

#define CP_ACP 0
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x8
#define WC_NO_BEST_FIT_CHARS 0x400

#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040
#define LPTR 0x0040
#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GPTR 0x0040
#define GHND 0x0042

#define WS_VISIBLE 0x10000000L

#define MB_OK 0x0
#define MB_OKCANCEL 0x1
#define MB_ABORTRETRYIGNORE 0x2
#define MB_YESNOCANCEL 0x3
#define MB_TYPEMASK 0xF
#define MB_YESNO 0x4
#define MB_ICONERROR 0x10
#define MB_ICONHAND 0x10
#define MB_ICONQUESTION 0x20
#define MB_ICONEXCLAMATION 0x30
#define MB_DEFBUTTON2 0x100
#define MB_TASKMODAL 0x2000
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

#define DRIVE_UNKNOWN 0
#define DRIVE_NO_ROOT_DIR 1
#define DRIVE_REMOVABLE 2
#define DRIVE_FIXED 3

#define SW_SHOWNORMAL 1
#define SE_ERR_NOASSOC 31
#define ERROR_SUCCESS 0
#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000)
#define VK_SHIFT 0x10
#define WM_USER 0x0400
#define WM_INITDIALOG 0x0110
#define WM_PAINT 0x000F
#define WM_SETCURSOR 0x0020
#define WM_VKEYTOITEM 0x002E
#define WM_NCMOUSEMOVE 0x00A0
#define WM_NCLBUTTONDOWN 0x00A1
#define WM_NCLBUTTONDBLCLK 0x00A3
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_COMMAND 0x0111
#define WM_TIMER 0x0113
#define WM_MOUSEMOVE 0x0200
#define WM_LBUTTONDOWN 0x0201
#define WM_LBUTTONUP 0x0202
#define WM_LBUTTONDBLCLK 0x0203
#define WM_RBUTTONDOWN 0x0204
#define PM_REMOVE 0x0001

#define IDC_ARROW ((LPCSTR)(uintptr_t)32512)
#define IDC_WAIT ((LPCSTR)(uintptr_t)32514)

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
typedef FILETIME *LPFILETIME;

// One layout for both kinds of text, as Windows has it.
template <typename Char>
struct FindDataOf {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    Char cFileName[MAX_PATH];
    Char cAlternateFileName[14];
};
typedef FindDataOf<CHAR> WIN32_FIND_DATAA;
typedef FindDataOf<WCHAR> WIN32_FIND_DATAW;
typedef WIN32_FIND_DATAA *LPWIN32_FIND_DATAA;
typedef WIN32_FIND_DATAW *LPWIN32_FIND_DATAW;

struct LOGFONTA {
    LONG lfHeight, lfWidth, lfEscapement, lfOrientation, lfWeight;
    BYTE lfItalic, lfUnderline, lfStrikeOut, lfCharSet, lfOutPrecision, lfClipPrecision, lfQuality,
        lfPitchAndFamily;
    CHAR lfFaceName[32];
};

struct RECT {
    LONG left, top, right, bottom;
};

struct POINT {
    LONG x, y;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

// process
LPSTR GetCommandLineA();
LPWSTR GetCommandLineW();
HMODULE GetModuleHandleA(LPCSTR name);
DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
[[noreturn]] void ExitProcess(UINT code);
UINT SetErrorMode(UINT mode);
DWORD GetVersion();
DWORD GetTickCount();
UINT GetACP();
HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);

// files
HFILE _lopen(LPCSTR path, int mode);
HFILE _lcreat(LPCSTR path, int attribute);
UINT _lread(HFILE file, LPVOID buffer, UINT count);
UINT _lwrite(HFILE file, LPCSTR buffer, UINT count);
LONG _llseek(HFILE file, LONG offset, int origin);
HFILE _lclose(HFILE file);
BOOL DosDateTimeToFileTime(WORD date, WORD time, LPFILETIME result);
BOOL LocalFileTimeToFileTime(const FILETIME *local, LPFILETIME result);
BOOL SetFileTime(HANDLE file, const FILETIME *created, const FILETIME *accessed, const FILETIME *written);
// Opens as _lcreat does for CREATE_ALWAYS (the access and sharing are not
// looked at), as _lopen does for OPEN_EXISTING; the handle works with the
// handle calls (_lread, _lwrite, _llseek, SetFileTime, _lclose).
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, void *security, DWORD disposition, DWORD flags,
                   HANDLE templateFile);

// folders and volumes
BOOL CreateDirectoryA(LPCSTR path, void *security);
BOOL CreateDirectoryW(LPCWSTR path, void *security);
HANDLE FindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA data);
HANDLE FindFirstFileW(LPCWSTR path, LPWIN32_FIND_DATAW data);
// INVALID_FILE_ATTRIBUTES when nothing is there.
DWORD GetFileAttributesW(LPCWSTR path);
DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR *filePart);
BOOL FindClose(HANDLE find);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer);
BOOL SetCurrentDirectoryW(LPCWSTR path);
UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
UINT GetDriveTypeW(LPCWSTR root);
// The wide calls take and answer the simulated machine's texts (UTF-8) as UTF-16.
DWORD ExpandEnvironmentStringsW(LPCWSTR text, LPWSTR buffer, DWORD size);
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
BOOL SetCurrentDirectoryA(LPCSTR path);
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
BOOL GetVolumeInformationA(LPCSTR root, LPSTR label, DWORD labelSize, DWORD *serial,
                           DWORD *componentLength, DWORD *flags, LPSTR fileSystem, DWORD fileSystemSize);
UINT GetDriveTypeA(LPCSTR root);
DWORD ExpandEnvironmentStringsA(LPCSTR text, LPSTR buffer, DWORD size);
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);

// memory
HLOCAL LocalAlloc(UINT flags, size_t bytes);
HLOCAL LocalFree(HLOCAL block);
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
LPVOID GlobalLock(HGLOBAL block);
BOOL GlobalUnlock(HGLOBAL block);
HGLOBAL GlobalHandle(LPCVOID address);
HGLOBAL GlobalFree(HGLOBAL block);

// strings
LPSTR lstrcpyA(LPSTR to, LPCSTR from);
LPSTR lstrcatA(LPSTR to, LPCSTR from);
int lstrlenA(LPCSTR text);
int lstrcmpiA(LPCSTR a, LPCSTR b);
int wsprintfA(LPSTR buffer, LPCSTR format, ...);
int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args);
BOOL OemToCharBuffA(LPCSTR from, LPSTR to, DWORD length);
LPSTR CharNextA(LPCSTR text);
int lstrlenW(LPCWSTR text);
// CP_UTF8, strict as Windows is with MB_ERR_INVALID_CHARS (no overlong forms,
// no surrogates, nothing above U+10FFFF; without the flag such bytes become
// U+FFFD), and CP_ACP, the code page of Sim().codePage.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide, int wideSize);
// CP_ACP and CP_UTF8. Characters CP_ACP lacks become the default character
// ('?'), or, unless WC_NO_BEST_FIT_CHARS is given, their look-alike where
// Windows' best-fit tables have one (a few are simulated).
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int length, LPSTR text, int size,
                        LPCSTR defaultChar, BOOL *usedDefault);

// user interface, as far as the extraction pass touches it
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style);
// The wide calls record their texts as UTF-8.
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style);
// Hands the event to hostsim::Sim().walkTrace when one is set.
void WalkTrace(WalkTraceEvent event);
BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
HWND GetDlgItem(HWND dialog, int id);
BOOL InvalidateRect(HWND window, const RECT *rect, BOOL erase);
BOOL UpdateWindow(HWND window);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name);
short GetKeyState(int key);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetParent(HWND window);

// the message queue
BOOL PeekMessageA(MSG *message, HWND window, UINT first, UINT last, UINT remove);
BOOL TranslateMessage(const MSG *message);
LRESULT DispatchMessageA(const MSG *message);
INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCVOID dialogTemplate, HWND owner, DLGPROC proc,
                                LPARAM param);

// graphics
HFONT CreateFontIndirectA(const LOGFONTA *font);

// launching
UINT WinExec(LPCSTR commandLine, UINT show);
// Recorded in launches as UTF-8.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder, int show);
HINSTANCE FindExecutableW(LPCWSTR file, LPCWSTR folder, LPWSTR result);
LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR value, LONG *size);
