// The script steps. Each takes its arguments (the words after the step name)
// and answers true, or false with a message for the error line.
#include "uidriver.h"
#include <algorithm>
#include <ctype.h>
#include <stdio.h>
#include <string.h>

static const DWORD kPollMs = 50;
static const DWORD kControlWaitMs = 5000;
static const DWORD kAfterBoxMs = 300;
static const DWORD kStillActive = 259; // STILL_ACTIVE

typedef std::vector<Word> Args;

bool ProcessEnded(const Driver &driver, DWORD *code)
{
    if (WaitForSingleObject(driver.process.hProcess, 0) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(driver.process.hProcess, code);
    return true;
}

static std::string ExitCodeText(DWORD code)
{
    char text[16];
    snprintf(text, sizeof text, code <= 0xFFFF ? "%lu" : "0x%08lX", (unsigned long)code);
    return text;
}

// The timeout argument at args[index] when present, else the default.
static bool TimeoutArg(const Driver &driver, const Args &args, size_t index, DWORD &timeoutMs, std::string &error)
{
    timeoutMs = driver.timeoutMs;
    if (index >= args.size()) return true;
    long value = 0;
    if (!ParseNumber(args[index], value) || value < 0) {
        error = "bad timeout \"" + args[index].text + "\"";
        return false;
    }
    timeoutMs = (DWORD)value;
    return true;
}

// Polls until found() answers true. Fails at the timeout, or at once when the
// program ends first.
template <typename Condition>
static bool PollUntil(const Driver &driver, DWORD timeoutMs, Condition found, std::string &error)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (found()) return true;
        DWORD code = 0;
        if (ProcessEnded(driver, &code)) {
            if (found()) return true;
            error = "program ended (exit " + ExitCodeText(code) + ")";
            return false;
        }
        if (GetTickCount() - start >= timeoutMs) {
            error = "nothing within " + std::to_string(timeoutMs) + " ms";
            return false;
        }
        Sleep(kPollMs);
    }
}

static bool CurrentWindow(const Driver &driver, std::string &error)
{
    if (driver.window && IsWindow(driver.window)) return true;
    error = driver.window ? "the window is gone" : "no window: use wait first";
    return false;
}

// The control named by args[0] in the current window. A control whose text
// cannot be read at once (its thread busy, the machine loaded) is looked for
// again for a while before it counts as missing.
static HWND ControlArg(const Driver &driver, const Args &args, std::string &error)
{
    if (!CurrentWindow(driver, error)) return nullptr;
    HWND control = FindControl(driver.window, args[0]);
    for (DWORD start = GetTickCount(); !control && GetTickCount() - start < kControlWaitMs;) {
        Sleep(kPollMs);
        if (!IsWindow(driver.window)) break;
        control = FindControl(driver.window, args[0]);
    }
    if (!control) error = "no control " + args[0].text;
    return control;
}

// A control that a user could operate: there, visible and enabled.
static HWND UsableControlArg(const Driver &driver, const Args &args, std::string &error)
{
    HWND control = ControlArg(driver, args, error);
    if (!control) return nullptr;
    if (!IsWindowVisible(control)) error = "control " + args[0].text + " is hidden";
    else if (!IsWindowEnabled(control)) error = "control " + args[0].text + " is disabled";
    else return control;
    return nullptr;
}

// Posts the button's click to its parent: unlike a sent BM_CLICK it does not
// wait for what the click opens (a modal box would block us).
static bool PostClick(HWND control)
{
    HWND parent = GetParent(control);
    int id = GetDlgCtrlID(control);
    return PostMessageA(parent ? parent : control, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)control) != 0;
}

static bool StepWait(Driver &driver, const Args &args, std::string &error)
{
    DWORD timeoutMs;
    if (!TimeoutArg(driver, args, 1, timeoutMs, error)) return false;
    HWND window = nullptr;
    DWORD pid = driver.process.dwProcessId;
    if (!PollUntil(driver, timeoutMs, [&] { return (window = FindProcessWindow(pid, args[0].text)) != nullptr; }, error))
        return false;
    driver.window = window;
    Say("window: %s", EscapeText(WindowText(window)).c_str());
    return true;
}

static bool StepExpectGone(Driver &driver, const Args &args, std::string &error)
{
    DWORD timeoutMs;
    if (!TimeoutArg(driver, args, 1, timeoutMs, error)) return false;
    DWORD pid = driver.process.dwProcessId;
    DWORD start = GetTickCount();
    while (FindProcessWindow(pid, args[0].text)) {
        if (GetTickCount() - start >= timeoutMs) {
            error = "window still there after " + std::to_string(timeoutMs) + " ms";
            return false;
        }
        Sleep(kPollMs);
    }
    return true;
}

static bool StepDump(Driver &driver, const Args &, std::string &error)
{
    if (!CurrentWindow(driver, error)) return false;
    DumpWindow(driver.window);
    return true;
}

static bool StepClick(Driver &driver, const Args &args, std::string &error)
{
    HWND control = UsableControlArg(driver, args, error);
    if (!control) return false;
    // Until the click is handled, its dialog is enabled and may have a button
    // of the text a following answer step looks for.
    driver.clicked = GetAncestor(control, GA_ROOT);
    if (!PostClick(control)) error = "PostMessage failed";
    return error.empty();
}

static bool StepSetCheck(Driver &driver, const Args &args, std::string &error)
{
    HWND control = UsableControlArg(driver, args, error);
    long state = 0;
    if (!control) return false;
    if (!ParseNumber(args[1], state) || state < 0 || state > 2) {
        error = "check state must be 0, 1 or 2";
        return false;
    }
    DWORD_PTR ignored;
    SendMessageTimeoutA(control, BM_SETCHECK, (WPARAM)state, 0, SMTO_NORMAL, 5000, &ignored);
    return true;
}

static bool StepSetText(Driver &driver, const Args &args, std::string &error)
{
    HWND control = ControlArg(driver, args, error);
    if (!control) return false;
    // The script's UTF-8, set wide: any character, as WindowText reads it.
    std::wstring text(args[1].text.size() + 1, L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, args[1].text.c_str(), -1, &text[0], (int)text.size()));
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(control, WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_NORMAL, 5000, &result) ||
        !result) {
        error = "WM_SETTEXT failed";
        return false;
    }
    return true;
}

static bool StepGetText(Driver &driver, const Args &args, std::string &error)
{
    HWND control = ControlArg(driver, args, error);
    if (!control) return false;
    Say("text %s: %s", args[0].text.c_str(), EscapeText(WindowText(control)).c_str());
    return true;
}

static bool StepWaitText(Driver &driver, const Args &args, std::string &error)
{
    DWORD timeoutMs;
    HWND control = ControlArg(driver, args, error);
    if (!control || !TimeoutArg(driver, args, 2, timeoutMs, error)) return false;
    std::string text;
    if (!PollUntil(driver, timeoutMs, [&] { return TextMatches(text = WindowText(control), args[1].text); }, error)) {
        error = "text stayed \"" + EscapeText(text) + "\": " + error;
        return false;
    }
    return true;
}

// Waits until the control is visible: a part of the dialog that shows up
// while the program works, however loaded the machine.
static bool StepWaitShown(Driver &driver, const Args &args, std::string &error)
{
    DWORD timeoutMs;
    HWND control = ControlArg(driver, args, error);
    if (!control || !TimeoutArg(driver, args, 1, timeoutMs, error)) return false;
    if (!PollUntil(driver, timeoutMs, [&] { return IsWindowVisible(control) != FALSE; }, error)) {
        error = "the control stayed hidden: " + error;
        return false;
    }
    return true;
}

// Mouse input aimed at the control's middle, as a click would queue it.
static bool StepPostClick(Driver &driver, const Args &args, std::string &error)
{
    HWND control = ControlArg(driver, args, error);
    if (!control) return false;
    RECT client;
    GetClientRect(control, &client);
    LPARAM where = MAKELPARAM((client.right - client.left) / 2, (client.bottom - client.top) / 2);
    PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageA(control, WM_LBUTTONUP, 0, where);
    return true;
}

// A command posted to the window itself, whatever state its button is in: what
// another program could post, never a user's click.
static bool StepPostCommand(Driver &driver, const Args &args, std::string &error)
{
    long id = 0;
    if (!CurrentWindow(driver, error)) return false;
    if (!ParseNumber(args[0], id) || id < 0 || id > 0xFFFF) {
        error = "bad command id";
        return false;
    }
    if (!PostMessageA(driver.window, WM_COMMAND, (WPARAM)id, 0)) error = "PostMessage failed";
    return error.empty();
}

struct KeyName {
    const char *name;
    UINT key;
};

static const KeyName kKeyNames[] = {
    {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN}, {"ESCAPE", VK_ESCAPE}, {"ESC", VK_ESCAPE},
    {"SPACE", VK_SPACE},   {"TAB", VK_TAB},      {"BACK", VK_BACK},     {"DELETE", VK_DELETE},
    {"LEFT", VK_LEFT},     {"RIGHT", VK_RIGHT},  {"UP", VK_UP},         {"DOWN", VK_DOWN},
    {"F1", VK_F1},
};

// A virtual-key code from a name above, a single letter or digit, or a number.
static bool ParseKey(const Word &word, UINT &key)
{
    long value = 0;
    if (ParseNumber(word, value)) {
        key = (UINT)value;
        return value > 0 && value < 256;
    }
    for (const KeyName &entry : kKeyNames)
        if (lstrcmpiA(entry.name, word.text.c_str()) == 0) {
            key = entry.key;
            return true;
        }
    if (word.text.size() == 1 && isalnum((unsigned char)word.text[0])) {
        key = (UINT)toupper((unsigned char)word.text[0]);
        return true;
    }
    return false;
}

// A key press and release queued to the control, with repeat count 1 and the
// key's scan code, as the keyboard would queue them.
static bool StepPostKey(Driver &driver, const Args &args, std::string &error)
{
    HWND control = ControlArg(driver, args, error);
    UINT key = 0;
    if (!control) return false;
    if (!ParseKey(args[1], key)) {
        error = "unknown key " + args[1].text;
        return false;
    }
    LPARAM scan = (LPARAM)MapVirtualKeyA(key, 0 /* MAPVK_VK_TO_VSC */) << 16;
    PostMessageA(control, WM_KEYDOWN, key, 1 | scan);
    PostMessageA(control, WM_KEYUP, key, 1 | scan | 0xC0000000);
    return true;
}

// The box that answers: an enabled dialog-class window of the program (its
// owner is disabled while it is up) with a button of that text, other than
// the dialog just clicked.
static HWND FindAnswerBox(DWORD pid, const Word &button, HWND &buttonWindow, HWND clicked)
{
    for (HWND window : ProcessWindows(pid)) {
        if (window == clicked || !IsWindowEnabled(window) || lstrcmpiA(WindowClass(window).c_str(), "#32770") != 0)
            continue;
        buttonWindow = FindControl(window, Word{button.text, true});
        if (buttonWindow && lstrcmpiA(WindowClass(buttonWindow).c_str(), "Button") == 0) return window;
    }
    return nullptr;
}

static const int kMessageBoxTextId = 0xFFFF;

// Waits for a box with the button args[0] and prints "LABEL: CAPTION | TEXT".
static bool ReportBox(Driver &driver, const Args &args, DWORD timeoutMs, const char *label, HWND &box, HWND &button,
                      std::string &error)
{
    DWORD pid = driver.process.dwProcessId;
    if (!PollUntil(driver, timeoutMs, [&] { return (box = FindAnswerBox(pid, args[0], button, driver.clicked)) != nullptr; }, error)) {
        error = "no box with a button " + args[0].text + ": " + error;
        return false;
    }
    HWND text = GetDlgItem(box, kMessageBoxTextId);
    Say("%s: %s | %s", label, EscapeText(WindowText(box)).c_str(), text ? EscapeText(WindowText(text)).c_str() : "");
    return true;
}

static bool StepAnswer(Driver &driver, const Args &args, std::string &error)
{
    DWORD timeoutMs;
    HWND box = nullptr, button = nullptr;
    if (!TimeoutArg(driver, args, 1, timeoutMs, error) || !ReportBox(driver, args, timeoutMs, "box", box, button, error))
        return false;
    if (!PostClick(button)) {
        error = "PostMessage failed";
        return false;
    }
    // The next step must not find this box again.
    if (!PollUntil(driver, timeoutMs, [&] { return !IsWindow(box) || !IsWindowVisible(box); }, error)) {
        if (!IsWindow(box) || !IsWindowVisible(box)) return true; // closed as the program ended
        error = "the box stayed: " + error;
        return false;
    }
    if (driver.window == box) driver.window = nullptr;
    // Wine, under emulation, can lose the box's X window when it is asked
    // about the program's windows while it is still tearing the box down: the
    // next step starts once the box is destroyed and a moment has passed.
    for (DWORD start = GetTickCount(); IsWindow(box) && GetTickCount() - start < kControlWaitMs;)
        Sleep(kPollMs);
    Sleep(kAfterBoxMs);
    return true;
}

// Waits for a box that a later answer step would answer and reports it,
// leaving it up: the test can act outside (swap a disk) before answering.
static bool StepWaitBox(Driver &driver, const Args &args, std::string &error)
{
    DWORD timeoutMs;
    HWND box = nullptr, button = nullptr;
    return TimeoutArg(driver, args, 1, timeoutMs, error) &&
           ReportBox(driver, args, timeoutMs, "box up", box, button, error);
}

// Waits until a file exists: the signal of a test that acts between steps.
static bool StepWaitFile(Driver &driver, const Args &args, std::string &error)
{
    DWORD timeoutMs;
    if (!TimeoutArg(driver, args, 1, timeoutMs, error)) return false;
    const char *path = args[0].text.c_str();
    if (!PollUntil(driver, timeoutMs, [&] { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }, error)) {
        error = "no file " + args[0].text + ": " + error;
        return false;
    }
    return true;
}

static bool StepSleep(Driver &, const Args &args, std::string &error)
{
    long ms = 0;
    if (!ParseNumber(args[0], ms) || ms < 0) {
        error = "bad duration";
        return false;
    }
    Sleep((DWORD)ms);
    return true;
}

static bool StepTimeout(Driver &driver, const Args &args, std::string &error)
{
    long ms = 0;
    if (!ParseNumber(args[0], ms) || ms < 0) {
        error = "bad timeout";
        return false;
    }
    driver.timeoutMs = (DWORD)ms;
    return true;
}

static bool StepWaitExit(Driver &driver, const Args &args, std::string &error)
{
    DWORD timeoutMs;
    if (!TimeoutArg(driver, args, 0, timeoutMs, error)) return false;
    if (WaitForSingleObject(driver.process.hProcess, timeoutMs) != WAIT_OBJECT_0) {
        error = "program still running after " + std::to_string(timeoutMs) + " ms";
        return false;
    }
    DWORD code = kStillActive;
    GetExitCodeProcess(driver.process.hProcess, &code);
    Say("exit: %s", ExitCodeText(code).c_str());
    return true;
}

// Waits for the program to end like waitexit, looking at its top-level
// windows all the while: every visible one is reported once, as "seen:",
// so that a program meant to show nothing can be held to that.
static bool StepWatchExit(Driver &driver, const Args &args, std::string &error)
{
    DWORD timeoutMs;
    if (!TimeoutArg(driver, args, 0, timeoutMs, error)) return false;
    std::vector<HWND> seen;
    DWORD start = GetTickCount();
    for (;;) {
        bool ended = WaitForSingleObject(driver.process.hProcess, 0) == WAIT_OBJECT_0;
        for (HWND window : ProcessWindows(driver.process.dwProcessId)) {
            if (std::find(seen.begin(), seen.end(), window) != seen.end()) continue;
            seen.push_back(window);
            Say("seen: %s | %s", WindowClass(window).c_str(), EscapeText(WindowText(window)).c_str());
        }
        if (ended) break;
        if (GetTickCount() - start >= timeoutMs) {
            error = "program still running after " + std::to_string(timeoutMs) + " ms";
            return false;
        }
        Sleep(5);
    }
    DWORD code = kStillActive;
    GetExitCodeProcess(driver.process.hProcess, &code);
    Say("exit: %s", ExitCodeText(code).c_str());
    return true;
}

static bool StepKill(Driver &driver, const Args &, std::string &)
{
    TerminateProcess(driver.process.hProcess, 1);
    WaitForSingleObject(driver.process.hProcess, 5000);
    return true;
}

struct Step {
    const char *name;
    size_t minArgs, maxArgs;
    bool (*run)(Driver &, const Args &, std::string &);
};

static const Step kSteps[] = {
    {"wait", 1, 2, StepWait},         {"expectgone", 1, 2, StepExpectGone}, {"dump", 0, 0, StepDump},
    {"click", 1, 1, StepClick},       {"setcheck", 2, 2, StepSetCheck},     {"settext", 2, 2, StepSetText},
    {"gettext", 1, 1, StepGetText},   {"waittext", 2, 3, StepWaitText},   {"postclick", 1, 1, StepPostClick},   {"postkey", 2, 2, StepPostKey},
    {"answer", 1, 2, StepAnswer},     {"waitbox", 1, 2, StepWaitBox},       {"waitfile", 1, 2, StepWaitFile},
    {"sleep", 1, 1, StepSleep},       {"timeout", 1, 1, StepTimeout},
    {"waitexit", 0, 1, StepWaitExit}, {"kill", 0, 0, StepKill},           {"postcommand", 1, 1, StepPostCommand},
    {"waitshown", 1, 2, StepWaitShown}, {"watchexit", 0, 1, StepWatchExit},
};

bool RunStep(Driver &driver, const std::vector<Word> &words, std::string &error)
{
    for (const Step &step : kSteps) {
        if (words[0].quoted || words[0].text != step.name) continue;
        Args args(words.begin() + 1, words.end());
        if (args.size() < step.minArgs || args.size() > step.maxArgs) {
            error = "wrong number of arguments";
            return false;
        }
        return step.run(driver, args, error);
    }
    error = "unknown step";
    return false;
}
