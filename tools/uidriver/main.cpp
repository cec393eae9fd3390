// uidriver [--set NAME=VALUE | --unset NAME]... SCRIPT -- PROGRAM [ARGS...]
//
// Starts PROGRAM with ARGS (in uidriver's environment, changed first by the
// --set and --unset options: under Wine the only way to hand a program TMP,
// TEMP or PATH of a test's choosing, as Wine takes those from the registry),
// then runs the steps of SCRIPT (a file, or "-" for
// standard input) against the program's windows, one step a line, and prints
// a transcript on standard output. Blank lines and lines starting with '#'
// are skipped. Exit code 0 when every step passed; 1 when a step failed (an
// "error:" line, the program's windows, and the program is ended); 2 for a
// usage error or a program that does not start. A program still running when
// the script ends is an error too: end scripts with waitexit or kill.
#include "uidriver.h"
#include <fcntl.h>
#include <shellapi.h>
#include <wchar.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const DWORD kDefaultTimeoutMs = 30000;

// Appends one argument to a command line, quoted so that the C runtime's
// parser gives it back unchanged.
static void AppendArgument(std::string &commandLine, const std::string &arg)
{
    if (!commandLine.empty()) commandLine += ' ';
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) {
        commandLine += arg;
        return;
    }
    commandLine += '"';
    size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        commandLine.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        commandLine += c;
    }
    commandLine.append(backslashes * 2, '\\');
    commandLine += '"';
}

static bool ReadScript(const char *path, std::vector<std::string> &lines)
{
    FILE *file = strcmp(path, "-") == 0 ? stdin : fopen(path, "rb");
    if (!file) return false;
    std::string line;
    int c;
    while ((c = fgetc(file)) != EOF) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += (char)c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    if (file != stdin) fclose(file);
    return true;
}

// What the program shows when a step failed, for the reader of the log.
static void ReportWindows(const Driver &driver)
{
    for (HWND window : ProcessWindows(driver.process.dwProcessId)) DumpWindow(window);
}

static int Fail(Driver &driver)
{
    ReportWindows(driver);
    TerminateProcess(driver.process.hProcess, 1);
    WaitForSingleObject(driver.process.hProcess, 5000);
    return 1;
}

static bool IsSkipped(const std::string &line)
{
    size_t first = line.find_first_not_of(" \t\r");
    return first == std::string::npos || line[first] == '#';
}

// Applies the leading --set/--unset options; answers the index of SCRIPT, or
// 0 for a malformed option.
static int ApplyEnvironmentOptions(int argc, char **argv)
{
    int n = 1;
    for (; n + 1 < argc; n += 2) {
        if (strcmp(argv[n], "--unset") == 0) {
            SetEnvironmentVariableA(argv[n + 1], nullptr);
        } else if (strcmp(argv[n], "--set") == 0) {
            std::string setting = argv[n + 1];
            size_t equals = setting.find('=');
            if (equals == std::string::npos || equals == 0) return 0;
            // UTF-8 in, set wide: a value keeps every character.
            std::wstring wide(setting.size() + 1, L'\0');
            wide.resize(MultiByteToWideChar(CP_UTF8, 0, setting.c_str(), -1, &wide[0], (int)wide.size()));
            wide[equals] = 0;
            SetEnvironmentVariableW(wide.c_str(), wide.c_str() + equals + 1);
        } else {
            break;
        }
    }
    return n;
}

// The arguments as UTF-8 from the wide command line: a program argument keeps
// every character (the ANSI argv would turn those the code page lacks into '?').
static std::vector<std::string> Utf8Arguments()
{
    int count = 0;
    LPWSTR *wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 0; wide && i < count; ++i) {
        std::string utf8(4 * wcslen(wide[i]) + 1, '\0');
        utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &utf8[0], (int)utf8.size(), nullptr, nullptr) - 1);
        arguments.push_back(utf8);
    }
    LocalFree(wide);
    return arguments;
}

int main(int, char **)
{
    std::vector<std::string> utf8 = Utf8Arguments();
    std::vector<char *> pointers;
    for (std::string &argument : utf8) pointers.push_back(&argument[0]);
    pointers.push_back(nullptr);
    int argc = (int)utf8.size();
    char **argv = pointers.data();
    int first = ApplyEnvironmentOptions(argc, argv);
    if (first == 0 || argc - first < 3 || strcmp(argv[first + 1], "--") != 0) {
        fprintf(stderr, "usage: uidriver [--set NAME=VALUE | --unset NAME]... SCRIPT|- -- PROGRAM [ARGS...]\n");
        return 2;
    }
    argv += first - 1;
    argc -= first - 1;
    // Plain "\n" line ends, whatever reads the transcript.
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> lines;
    if (!ReadScript(argv[1], lines)) {
        fprintf(stderr, "uidriver: cannot read %s\n", argv[1]);
        return 2;
    }
    std::string commandLine;
    for (int i = 3; i < argc; ++i) AppendArgument(commandLine, argv[i]);

    Driver driver{};
    // A loaded machine (or an emulated one) can take far longer than the
    // default to show a window: UIDRIVER_TIMEOUT_MS raises it for every step.
    driver.timeoutMs = kDefaultTimeoutMs;
    char setting[16];
    DWORD length = GetEnvironmentVariableA("UIDRIVER_TIMEOUT_MS", setting, sizeof setting);
    if (length > 0 && length < sizeof setting) {
        DWORD value = strtoul(setting, nullptr, 10);
        if (value > 0)
            driver.timeoutMs = value;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::vector<wchar_t> mutableLine(commandLine.size() + 1);
    MultiByteToWideChar(CP_UTF8, 0, commandLine.c_str(), -1, mutableLine.data(), (int)mutableLine.size());
    if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &driver.process)) {
        Say("error: cannot start %s (error %lu)", argv[3], (unsigned long)GetLastError());
        return 2;
    }

    for (size_t n = 0; n < lines.size(); ++n) {
        if (IsSkipped(lines[n])) continue;
        std::vector<Word> words;
        std::string error;
        if (!SplitScriptLine(lines[n], words, error) || !RunStep(driver, words, error)) {
            Say("error: line %u: %s: %s", (unsigned)(n + 1), EscapeText(lines[n]).c_str(), error.c_str());
            return Fail(driver);
        }
    }
    DWORD code = 0;
    if (!ProcessEnded(driver, &code)) {
        Say("error: program still running at the end of the script");
        return Fail(driver);
    }
    return 0;
}
