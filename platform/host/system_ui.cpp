// Process facts, message boxes, the dialog calls the extraction pass makes,
// launching, the environment and the registry, as the tests script them.
#include <cstdlib>
#include <cstring>

#include "platform/host/sim_internal.h"

using namespace hostsim;

static HWND FakeWindow(int id) {
    return (HWND)(uintptr_t)(0x10000 + id);
}

LPSTR GetCommandLineA() {
    static char line[4096];
    strncpy(line, Sim().commandLine.c_str(), sizeof line - 1);
    return line;
}

// Sim().commandLine is UTF-8.
LPWSTR GetCommandLineW() {
    static WCHAR line[4096];
    CopyOutWide(Sim().commandLine.substr(0, 4000), line, 4096);
    return line;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
    (void)module;
    if (size == 0)
        return 0;
    std::string whole = Utf8ToAnsi(Sim().modulePath);
    std::string path = whole.substr(0, size - 1);
    strcpy(buffer, path.c_str());
    return (DWORD)path.size() + (whole.size() >= size ? 1 : 0);
}

// Sim().modulePath is UTF-8; the ANSI call answers it in the ANSI code page.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    (void)module;
    std::u16string path = Utf8ToUtf16(Sim().modulePath);
    if (size == 0)
        return 0;
    std::u16string kept = path.substr(0, size - 1);
    std::copy(kept.begin(), kept.end(), buffer);
    buffer[kept.size()] = 0;
    return (DWORD)kept.size() + (path.size() >= size ? 1 : 0);
}

void ExitProcess(UINT code) {
    std::exit((int)code);
}

UINT SetErrorMode(UINT mode) {
    (void)mode;
    return 0;
}

DWORD GetVersion() {
    return Sim().version;
}

UINT GetACP() {
    return Sim().codePage;
}

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    auto found = Sim().environment.find(name);
    if (found == Sim().environment.end())
        return 0;
    return (DWORD)CopyOut(found->second, buffer, size);
}

// As Windows: %NAME% with a known name is replaced by its value, anything
// else stays as written; the result is the size with the terminator.
DWORD ExpandEnvironmentStringsA(LPCSTR text, LPSTR buffer, DWORD size) {
    std::string in(text), out;
    size_t at = 0;
    while (at < in.size()) {
        size_t open = in.find('%', at), close = open == std::string::npos ? open : in.find('%', open + 1);
        if (close == std::string::npos) {
            out += in.substr(at);
            break;
        }
        out += in.substr(at, open - at);
        auto found = Sim().environment.find(in.substr(open + 1, close - open - 1));
        if (found == Sim().environment.end() || close == open + 1) {
            out += '%';   // the closing % may open the next name
            at = open + 1;
            continue;
        }
        out += found->second;
        at = close + 1;
    }
    CopyOut(out, buffer, size);
    return (DWORD)out.size() + 1;
}

// The wide forms: names, values and texts in UTF-8.
static std::string Narrow(LPCWSTR text) {
    return text ? Utf16ToUtf8(text, lstrlenW(text)) : std::string();
}

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    auto found = Sim().environment.find(Narrow(name));
    if (found == Sim().environment.end())
        return 0;
    return (DWORD)CopyOutWide(found->second, buffer, size);
}

DWORD ExpandEnvironmentStringsW(LPCWSTR text, LPWSTR buffer, DWORD size) {
    std::string expanded(4096, '\0');
    ExpandEnvironmentStringsA(Narrow(text).c_str(), &expanded[0], (DWORD)expanded.size());
    size_t length = CopyOutWide(expanded.c_str(), buffer, size);
    return (DWORD)(length < size ? length + 1 : length);
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    State &s = Sim();
    BoxRecord record{owner, caption ? caption : "", text ? text : "", style};
    s.transcript.push_back(record);
    if (s.boxWatcher)
        s.boxWatcher(record);
    if ((style & 0xF) == MB_OK)
        return IDOK;
    if (!s.answers.empty()) {
        int answer = s.answers.front();
        s.answers.erase(s.answers.begin());
        return answer;
    }
    if (s.boxHandler)
        return s.boxHandler(record);
    return IDCANCEL;
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT style) {
    return MessageBoxA(owner, Utf16ToUtf8(text, lstrlenW(text)).c_str(), Utf16ToUtf8(caption, lstrlenW(caption)).c_str(),
                       style);
}

void WalkTrace(WalkTraceEvent event) {
    if (Sim().walkTrace)
        Sim().walkTrace(event);
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    if (!dialog)
        return FALSE;
    Sim().controlTexts[id] = text;
    Sim().textsSet.emplace_back(id, text);
    return TRUE;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    return SetDlgItemTextA(dialog, id, Utf16ToUtf8(text, lstrlenW(text)).c_str());
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    enum { kMeterSetPos = WM_USER + 2, kMeterId = 201 };
    if (dialog && id == kMeterId && message == kMeterSetPos && Sim().dialogHasMeter)
        Sim().meterPositions.push_back((int)(wParam & 0xFFFF));
    return 0;
}

HWND GetDlgItem(HWND dialog, int id) {
    if (!dialog || (id == 201 && !Sim().dialogHasMeter))
        return nullptr;
    return FakeWindow(id);
}

BOOL InvalidateRect(HWND window, const RECT *rect, BOOL erase) {
    (void)rect, (void)erase;
    return window != nullptr;
}

BOOL UpdateWindow(HWND window) {
    return window != nullptr;
}

HCURSOR SetCursor(HCURSOR cursor) {
    HCURSOR previous = Sim().cursor;
    Sim().cursor = cursor;
    return previous;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name) {
    (void)instance;
    return (HCURSOR)name;
}

short GetKeyState(int key) {
    return key == VK_SHIFT && Sim().shiftDown ? (short)0x8000 : 0;
}

INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCVOID dialogTemplate, HWND owner, DLGPROC proc,
                                LPARAM param) {
    (void)instance, (void)owner, (void)proc, (void)param;
    const uint8_t *bytes = (const uint8_t *)dialogTemplate;
    // Every template block the program hands over holds at least 600 bytes.
    Sim().dialogTemplates.emplace_back(bytes, bytes + 600);
    if (Sim().dialogHook) {
        std::function<void()> hook = Sim().dialogHook;
        Sim().dialogHook = nullptr;
        hook();
    }
    return Sim().dialogResult;
}

UINT WinExec(LPCSTR commandLine, UINT show) {
    (void)show;
    Sim().launches.push_back({"WinExec", "", commandLine, "", ""});
    return (UINT)Sim().winExecResult;
}

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR folder, int show) {
    (void)owner, (void)show;
    Sim().launches.push_back({"ShellExecute", Narrow(verb), Narrow(file), Narrow(parameters), Narrow(folder)});
    return (HINSTANCE)Sim().shellExecuteResult;
}

HINSTANCE FindExecutableW(LPCWSTR file, LPCWSTR folder, LPWSTR result) {
    Sim().launches.push_back({"FindExecutable", "", Narrow(file), "", Narrow(folder)});
    CopyOutWide("C:\\WINDOWS\\NOTEPAD.EXE", result, MAX_PATH);
    return (HINSTANCE)Sim().findExecutableResult;
}

LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR value, LONG *size) {
    enum { kFileNotFound = 2, kMoreData = 234 };
    if (key != HKEY_CLASSES_ROOT)
        return kFileNotFound;
    auto found = Sim().registry.find(subKey);
    if (found == Sim().registry.end())
        return kFileNotFound;
    LONG needed = (LONG)found->second.size() + 1;
    if (!value || *size < needed) {
        *size = needed;
        return kMoreData;
    }
    strcpy(value, found->second.c_str());
    *size = needed;
    return ERROR_SUCCESS;
}
