// Finding windows of the driven process, reading their text, dumping them.
#include "uidriver.h"
#include <stdarg.h>
#include <stdio.h>

static const UINT kTextWaitMs = 5000;

void Say(const char *format, ...)
{
    char line[4096];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    fputs(line, stdout);
    fputc('\n', stdout);
    fflush(stdout);
}

std::string EscapeText(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        } else {
            out += (char)c;
        }
    }
    return out;
}

std::string WindowText(HWND window)
{
    // Read wide and written as UTF-8: every character the window shows, also
    // those the ANSI code page lacks.
    WCHAR text[4096] = L"";
    DWORD_PTR copied = 0;
    // A top-level window's caption as the system holds it: asked by message,
    // an ANSI window answers through the ANSI code page.
    if (!(GetWindowLongW(window, GWL_STYLE) & WS_CHILD))
        copied = (DWORD_PTR)InternalGetWindowText(window, text, sizeof text / sizeof text[0]);
    else if (!SendMessageTimeoutW(window, WM_GETTEXT, sizeof text / sizeof text[0], (LPARAM)text, SMTO_NORMAL,
                                  kTextWaitMs, &copied))
        return std::string();
    int length = copied < sizeof text / sizeof text[0] ? (int)copied : (int)(sizeof text / sizeof text[0]) - 1;
    std::string utf8(4 * length + 1, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text, length, &utf8[0], (int)utf8.size(), nullptr, nullptr));
    return utf8;
}

std::string WindowClass(HWND window)
{
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

bool TextMatches(const std::string &text, const std::string &pattern)
{
    if (!pattern.empty() && pattern.back() == '*')
        return text.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return text == pattern;
}

bool WindowMatches(HWND window, const std::string &pattern)
{
    if (pattern.compare(0, 6, "class:") == 0) return lstrcmpiA(WindowClass(window).c_str(), pattern.c_str() + 6) == 0;
    return TextMatches(WindowText(window), pattern);
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

static BOOL CALLBACK CollectProcessWindow(HWND window, LPARAM param)
{
    WindowSearch *search = (WindowSearch *)param;
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window)) search->found.push_back(window);
    return TRUE;
}

// A window can show before its set-up ends (a message box is visible before
// its caption and text are set). A sent message is handled only once its
// thread pumps again, so the round trip waits for the set-up to finish.
static void WaitUntilSettled(HWND window)
{
    DWORD_PTR ignored;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, kTextWaitMs, &ignored);
}

std::vector<HWND> ProcessWindows(DWORD processId)
{
    WindowSearch search{processId, {}};
    EnumWindows(CollectProcessWindow, (LPARAM)&search);
    std::vector<HWND> settled;
    for (HWND window : search.found) {
        WaitUntilSettled(window);
        if (IsWindow(window) && IsWindowVisible(window)) settled.push_back(window);
    }
    return settled;
}

HWND FindProcessWindow(DWORD processId, const std::string &pattern)
{
    for (HWND window : ProcessWindows(processId))
        if (WindowMatches(window, pattern)) return window;
    return nullptr;
}

// The text as a user reads it on a control: without the '&' of a mnemonic.
static std::string WithoutMnemonic(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        out += text[i];
    }
    return out;
}

static BOOL CALLBACK CollectChild(HWND child, LPARAM param)
{
    ((std::vector<HWND> *)param)->push_back(child);
    return TRUE;
}

static std::vector<HWND> Children(HWND window)
{
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, (LPARAM)&children);
    return children;
}

HWND FindControl(HWND window, const Word &reference)
{
    if (!reference.quoted && reference.text == ".") return window;
    long id = 0;
    bool byId = ParseNumber(reference, id);
    for (HWND child : Children(window)) {
        if (byId ? GetDlgCtrlID(child) == (int)id
                 : lstrcmpiA(WithoutMnemonic(WindowText(child)).c_str(), WithoutMnemonic(reference.text).c_str()) == 0)
            return child;
    }
    return nullptr;
}

// Check boxes and radio buttons report their state; push buttons do not.
static bool HasCheckState(HWND control)
{
    if (lstrcmpiA(WindowClass(control).c_str(), "Button") != 0) return false;
    LONG kind = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    return kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE || kind == BS_AUTO3STATE ||
           kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
}

void DumpWindow(HWND window)
{
    Say("window: %s [%s]", EscapeText(WindowText(window)).c_str(), WindowClass(window).c_str());
    for (HWND child : Children(window)) {
        const char *checked = "";
        if (HasCheckState(child)) {
            DWORD_PTR state = 0;
            SendMessageTimeoutA(child, BM_GETCHECK, 0, 0, SMTO_NORMAL, kTextWaitMs, &state);
            checked = state == BST_CHECKED ? " checked" : " unchecked";
        }
        Say("  %d %s \"%s\" %s %s%s", GetDlgCtrlID(child), WindowClass(child).c_str(),
            EscapeText(WindowText(child)).c_str(), IsWindowVisible(child) ? "visible" : "hidden",
            IsWindowEnabled(child) ? "enabled" : "disabled", checked);
    }
}
