// uidriver: starts a Windows program and drives its windows from a script,
// printing a plain transcript for tests to compare. See main.cpp for usage.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// One word of a script line; quoted words never count as numbers.
struct Word {
    std::string text;
    bool quoted;
};

// Splits a script line into words: blanks separate, "..." groups with the
// escapes \" \\ \n \t. False (with a message) for an unclosed quote.
bool SplitScriptLine(const std::string &line, std::vector<Word> &words, std::string &error);

// Parses a decimal or 0x-hex number (an optional leading '-'); false when the
// word is quoted or not entirely a number.
bool ParseNumber(const Word &word, long &value);

// The state of one run: the driven process and the window the steps act on.
struct Driver {
    PROCESS_INFORMATION process;
    HWND window;          // set by wait, used by dump/click/settext/...
    HWND clicked;         // the dialog of the last clicked control: never taken for a box
    DWORD timeoutMs;      // default for steps that wait
};

// Prints one transcript line (printf format) and flushes it.
void Say(const char *format, ...);

// Window text for the transcript: line breaks and other control characters
// escaped (\n, \r, \t, \xNN) so that one record stays on one line.
std::string EscapeText(const std::string &text);

// The text of a window of any process as UTF-8 (WM_GETTEXT in its wide
// form, bounded wait).
std::string WindowText(HWND window);
std::string WindowClass(HWND window);

// Whether a text matches a pattern: "Text*" a prefix, else the whole text.
bool TextMatches(const std::string &text, const std::string &pattern);

// Whether a top-level window matches a pattern: "class:NAME" compares the
// class (case-insensitive), "Text*" a caption prefix, anything else the whole
// caption.
bool WindowMatches(HWND window, const std::string &pattern);

// The visible top-level windows of a process, topmost first.
std::vector<HWND> ProcessWindows(DWORD processId);

// The first visible top-level window of the process that matches, or null.
HWND FindProcessWindow(DWORD processId, const std::string &pattern);

// A control of a window by reference: a number is a control id, a quoted or
// other word the control's text with '&' left out (case-insensitive), "." the
// window itself. Null when none matches.
HWND FindControl(HWND window, const Word &reference);

// Prints the window's caption and class, then one line per child control:
// id, class, text, visible/hidden, enabled/disabled and, for check boxes and
// radio buttons, checked.
void DumpWindow(HWND window);

// Runs one parsed script line; false with a message when the step failed.
bool RunStep(Driver &driver, const std::vector<Word> &words, std::string &error);

// Whether the driven process has ended; its exit code in *code when so.
bool ProcessEnded(const Driver &driver, DWORD *code);
