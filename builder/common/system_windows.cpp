// The builder's system calls on Windows: UTF-8 paths become UTF-16 for the
// wide-character calls, so that any name the file system holds works.
#define _CRT_RAND_S
#include <stdlib.h>

#include "builder/common/system.h"

#include <errno.h>
#include <fcntl.h>
#include <io.h>
#include <string.h>
#include <sys/stat.h>
#include <windows.h>
#include <shellapi.h>

#include <algorithm>

static std::wstring Wide(const std::string &text) {
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring wide((size_t)length, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), (int)text.size(), &wide[0], length);
    return wide;
}

static std::string Narrow(const wchar_t *text) {
    int length = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1)
        return "";
    std::string narrow((size_t)length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &narrow[0], length, nullptr, nullptr);
    narrow.resize((size_t)length - 1);
    return narrow;
}

std::vector<std::string> Utf8Arguments(int argc, char **argv) {
    SetConsoleOutputCP(CP_UTF8);
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; i++)
        arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
    return arguments;
}

FILE *OpenFile(const std::string &path, const char *mode) {
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
}

bool SeekFile(FILE *file, uint64_t offset) {
    return _fseeki64(file, (__int64)offset, SEEK_SET) == 0;
}

FILE *CreateNewFile(const std::string &path) {
    int fd = _wopen(Wide(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    FILE *file = _fdopen(fd, "wb");
    if (!file)
        _close(fd);
    return file;
}

bool FinishProgramFile(FILE *file) {
    return fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool MoveIntoPlace(const std::string &from, const std::string &to) {
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool IsFolder(const std::string &path) {
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ModificationTime(const std::string &path, long long &seconds) {
    struct _stat64 info;
    if (_wstat64(Wide(path).c_str(), &info) != 0)
        return false;
    seconds = (long long)info.st_mtime;
    return true;
}

bool ExistsOnDisk(const std::string &path) {
    return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

PathKind KindOfPath(const std::string &path) {
    // Opened without access and without following a reparse point: device
    // names (NUL, CON, COM1, \\.\...) answer as character devices or pipes.
    HANDLE handle = CreateFileW(Wide(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr);
    DWORD attributes = GetFileAttributesW(Wide(path).c_str());
    if (handle == INVALID_HANDLE_VALUE)
        return attributes == INVALID_FILE_ATTRIBUTES ? kPathMissing : kPathRegular;
    DWORD type = GetFileType(handle);
    BY_HANDLE_FILE_INFORMATION info;
    bool described = type == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (type == FILE_TYPE_CHAR)
        return kPathCharDevice;
    if (type == FILE_TYPE_PIPE)
        return kPathFifo;
    if (!described)
        return kPathCharDevice;
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return kPathLink;
    return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? kPathFolder : kPathRegular;
}

namespace {

// The console's control handler runs on a thread of its own while the
// build goes on, hence the lock (a critical section: the win32 thread model
// of mingw has no std::mutex).
struct CriticalSection {
    CRITICAL_SECTION section;
    CriticalSection() { InitializeCriticalSection(&section); }
};
CriticalSection leftoversSection;
CRITICAL_SECTION *const leftoversLock = &leftoversSection.section;
std::vector<std::string> leftovers;

BOOL WINAPI AwaitInterrupt(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT)
        return FALSE;
    EnterCriticalSection(leftoversLock);
    for (auto it = leftovers.rbegin(); it != leftovers.rend(); ++it) {
        std::error_code ignored;
        std::filesystem::remove_all(FsPath(*it), ignored);
    }
    leftovers.clear();
    LeaveCriticalSection(leftoversLock);
    return FALSE;   // the default handler then ends the process
}

}  // namespace

void CatchInterrupts() {
    SetConsoleCtrlHandler(AwaitInterrupt, TRUE);
}

void RemoveOnInterrupt(const std::string &path) {
    EnterCriticalSection(leftoversLock);
    leftovers.push_back(path);
    LeaveCriticalSection(leftoversLock);
}

FILE *CreateNewFileRemovedOnInterrupt(const std::string &path) {
    EnterCriticalSection(leftoversLock);
    FILE *file = CreateNewFile(path);
    if (file)
        leftovers.push_back(path);
    LeaveCriticalSection(leftoversLock);
    return file;
}

void ForgetOnInterrupt(const std::string &path) {
    EnterCriticalSection(leftoversLock);
    leftovers.erase(std::remove(leftovers.begin(), leftovers.end(), path), leftovers.end());
    LeaveCriticalSection(leftoversLock);
}

bool ReadHiddenLine(const char *prompt, std::string &line) {
    HANDLE input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    HANDLE output = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0, count = 0;
    bool ok = input != INVALID_HANDLE_VALUE && output != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode) &&
              SetConsoleMode(input, (mode | ENABLE_LINE_INPUT) & ~(DWORD)ENABLE_ECHO_INPUT);
    line.clear();
    if (ok) {
        std::wstring wide = Wide(prompt);
        WriteConsoleW(output, wide.c_str(), (DWORD)wide.size(), &count, nullptr);
        wchar_t buffer[1024];
        std::wstring typed;
        while (ReadConsoleW(input, buffer, sizeof buffer / sizeof buffer[0], &count, nullptr) && count > 0) {
            typed.append(buffer, count);
            if (typed.find(L'\n') != std::wstring::npos)
                break;
        }
        typed = typed.substr(0, typed.find_first_of(L"\r\n"));
        line = Narrow(typed.c_str());
        SetConsoleMode(input, mode);
        WriteConsoleW(output, L"\r\n", 2, &count, nullptr);
    }
    if (input != INVALID_HANDLE_VALUE)
        CloseHandle(input);
    if (output != INVALID_HANDLE_VALUE)
        CloseHandle(output);
    return ok;
}

std::string ProgramFolder() {
    wchar_t path[32768];
    DWORD length = GetModuleFileNameW(nullptr, path, sizeof path / sizeof path[0]);
    if (length == 0 || length >= sizeof path / sizeof path[0])
        return ".";
    std::string self = Narrow(path);
    size_t cut = self.find_last_of("\\/");
    return cut == std::string::npos ? "." : self.substr(0, cut);
}

bool IsTerminal(FILE *stream) {
    return _isatty(_fileno(stream)) != 0;
}

bool RandomBytes(uint8_t *bytes, size_t n) {
    for (size_t i = 0; i < n; i++) {
        unsigned int value = 0;
        if (rand_s(&value) != 0)
            return false;
        bytes[i] = (uint8_t)value;
    }
    return true;
}

bool LocalCalendarTime(time_t stamp, struct tm &local) {
    return localtime_s(&local, &stamp) == 0;
}

std::string LastErrorText() {
    DWORD code = GetLastError();
    if (code == 0)
        return strerror(errno);
    wchar_t *text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, (wchar_t *)&text, 0, nullptr);
    std::string words = text ? Narrow(text) : "error " + std::to_string(code);
    LocalFree(text);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.'))
        words.pop_back();
    return words;
}

bool CodePageToUtf8(unsigned codePage, const std::string &bytes, std::string &utf8) {
    if (bytes.empty()) {
        utf8.clear();
        return true;
    }
    int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), nullptr, 0);
    if (length <= 0)
        return false;
    std::wstring wide((size_t)length, L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), &wide[0], length);
    // The length is given, so that a NUL stays in the name for the rules to refuse.
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
    utf8.assign((size_t)size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, &utf8[0], size, nullptr, nullptr);
    return true;
}
