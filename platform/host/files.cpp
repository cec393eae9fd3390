// Files, folders, volumes and file times on the host file system.
#include <sys/stat.h>
#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/host/host_files.h"
#include "platform/host/sim_internal.h"

using namespace hostsim;

// Windows' limits on the paths of file calls, in UTF-16 units.
enum PathLimits : size_t {
    kClassicPathLimit = 259,     // MAX_PATH less its NUL
    kClassicFolderLimit = 247,   // CreateDirectory leaves room for an 8.3 name behind the folder
    kLongFormLimit = 32767,      // a \\?\ path
    kComponentLimit = 255,       // one file or folder name (NTFS)
};

static bool IsLongForm(const std::string &path) {
    return path.compare(0, 4, "\\\\?\\") == 0;
}

static std::vector<std::string> Components(const std::string &path) {
    std::vector<std::string> parts(1);
    for (char c : path) {
        if (c == '\\')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// The host path that a file call with `path` (UTF-8) reaches, or "" when
// Windows refuses the path. A \\?\ path is taken as it stands, up to 32,767
// characters: Windows resolves nothing in it, so a '/' or a "." or ".."
// component there is refused like a device name or a path outside the
// drives, and counted with them in refusedPaths when `count` is set. Any
// other path is made absolute first and may be `limit` characters long.
// No name in it may be longer than 255 characters.
static std::string CallPath(const std::string &path, size_t limit, bool count) {
    std::string windows = path;
    bool refused = false;
    if (IsLongForm(path)) {
        if (Utf16Length(path) > kLongFormLimit)
            return "";
        windows = path.compare(4, 4, "UNC\\") == 0 ? "\\\\" + path.substr(8) : path.substr(4);
        for (const std::string &part : Components(windows))
            refused = refused || part == "." || part == "..";
        refused = refused || windows.find('/') != std::string::npos;
    } else {
        std::string absolute = AbsoluteWindowsPath(path);
        if (!absolute.empty() && Utf16Length(absolute) > limit)
            return "";
    }
    for (const std::string &part : Components(windows))
        if (Utf16Length(part) > kComponentLimit)
            return "";
    std::string host = refused ? "" : HostPath(windows);
    if (host.empty() && count)
        Sim().refusedPaths++;
    return host;
}

static std::string WidePath(LPCWSTR path) {
    return Utf16ToUtf8(path, lstrlenW(path));
}

// The file in the same folder whose name differs from that of `host` only
// in the case of ASCII letters, as Windows would open it; `host` itself
// when there is none.
static std::string SameNameIgnoringCase(const std::string &host) {
    size_t slash = host.rfind('/');
    std::string folder = host.substr(0, slash), name = host.substr(slash + 1);
    for (const std::string &entry : HostFolderNames(folder))
        if (strcasecmp(entry.c_str(), name.c_str()) == 0)
            return folder + "/" + entry;
    return host;
}

// An existing file opened for reading, as _lopen and CreateFileW with
// OPEN_EXISTING open it.
static HFILE OpenHostFile(const std::string &windowsPath) {
    std::string host = CallPath(windowsPath, kClassicPathLimit, true);
    if (host.empty())
        return HFILE_ERROR;
    if (Fails(kFaultOpen))
        return HFILE_ERROR;
    if (!HostStat(host, nullptr, nullptr))
        host = SameNameIgnoringCase(host);
    bool folder = false;
    if (!HostStat(host, &folder, nullptr) || folder)
        return HFILE_ERROR;
    int fd = HostOpenForReading(host);
    return fd < 0 ? HFILE_ERROR : fd;
}

HFILE _lopen(LPCSTR path, int mode) {
    (void)mode;
    return OpenHostFile(AnsiToUtf8(path));
}

// A file created or truncated, as _lcreat and CreateFileW with
// CREATE_ALWAYS make it; the k-th creation of either can be made to fail.
static HFILE CreateHostFile(const std::string &host) {
    if (host.empty() || Fails(kFaultCreate))
        return HFILE_ERROR;
    int fd = HostCreateFile(host);
    return fd < 0 ? HFILE_ERROR : fd;
}

HFILE _lcreat(LPCSTR path, int attribute) {
    (void)attribute;
    return CreateHostFile(CallPath(AnsiToUtf8(path), kClassicPathLimit, true));
}

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, void *security, DWORD disposition, DWORD flags,
                   HANDLE templateFile) {
    (void)access, (void)share, (void)security, (void)flags, (void)templateFile;
    if (disposition == OPEN_EXISTING)
        return (HANDLE)(intptr_t)OpenHostFile(WidePath(path));
    return (HANDLE)(intptr_t)CreateHostFile(CallPath(WidePath(path), kClassicPathLimit, true));
}

// True when a read of file from where it stands would start on the bad spot.
static bool OnBadSpot(HFILE file) {
    const State &s = Sim();
    struct stat bad, open;
    if (s.badSpotFile.empty() || stat(s.badSpotFile.c_str(), &bad) != 0 || fstat(file, &open) != 0)
        return false;
    return bad.st_dev == open.st_dev && bad.st_ino == open.st_ino &&
           lseek(file, 0, SEEK_CUR) == (off_t)s.badSpotOffset;
}

UINT _lread(HFILE file, LPVOID buffer, UINT count) {
    if (OnBadSpot(file))
        return (UINT)HFILE_ERROR;
    if (Sim().readLimit != 0 && count > Sim().readLimit)
        count = Sim().readLimit;
    UINT total = 0;
    while (total < count) {
        ssize_t got = read(file, (char *)buffer + total, count - total);
        if (got < 0)
            return total ? total : (UINT)HFILE_ERROR;
        if (got == 0)
            break;
        total += (UINT)got;
    }
    return total;
}

UINT _lwrite(HFILE file, LPCSTR buffer, UINT count) {
    if (Fails(kFaultWrite))
        return (UINT)HFILE_ERROR;
    if (count > 0 && Fails(kFaultShortWrite))
        count -= 1;
    if (Sim().discardWrites)
        return count;
    UINT total = 0;
    while (total < count) {
        ssize_t put = write(file, buffer + total, count - total);
        if (put <= 0)
            return total ? total : (UINT)HFILE_ERROR;
        total += (UINT)put;
    }
    return total;
}

LONG _llseek(HFILE file, LONG offset, int origin) {
    int whence = origin == FILE_BEGIN ? SEEK_SET : origin == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    off_t at = lseek(file, offset, whence);
    if (at < 0 || at > 0x7FFFFFFF)
        return HFILE_ERROR;
    return (LONG)at;
}

HFILE _lclose(HFILE file) {
    return close(file) == 0 ? 0 : HFILE_ERROR;
}

static bool IsLeapYear(unsigned year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

static unsigned DaysInMonth(unsigned year, unsigned month) {
    static const unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// 100-ns intervals between 1601-01-01 and 1970-01-01.
static const uint64_t kUnixEpochAsFileTime = 116444736000000000ull;

BOOL DosDateTimeToFileTime(WORD date, WORD time, LPFILETIME result) {
    unsigned year = 1980 + (date >> 9), month = (date >> 5) & 15, day = date & 31;
    unsigned hour = time >> 11, minute = (time >> 5) & 63, second = (time & 31) * 2;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 || minute > 59 ||
        second > 59)
        return FALSE;
    uint64_t days = 0;
    for (unsigned y = 1970; y < year; y++)
        days += IsLeapYear(y) ? 366 : 365;
    for (unsigned m = 1; m < month; m++)
        days += DaysInMonth(year, m);
    days += day - 1;
    uint64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
    uint64_t value = seconds * 10000000ull + kUnixEpochAsFileTime;
    result->dwLowDateTime = (DWORD)value;
    result->dwHighDateTime = (DWORD)(value >> 32);
    return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME *local, LPFILETIME result) {
    uint64_t value = ((uint64_t)local->dwHighDateTime << 32) | local->dwLowDateTime;
    value += (int64_t)Sim().timeZoneBias * 10000000ll;
    result->dwLowDateTime = (DWORD)value;
    result->dwHighDateTime = (DWORD)(value >> 32);
    return TRUE;
}

static uint64_t FileTimeValue(const FILETIME *time) {
    return time ? ((uint64_t)time->dwHighDateTime << 32) | time->dwLowDateTime : 0;
}

BOOL SetFileTime(HANDLE file, const FILETIME *created, const FILETIME *accessed, const FILETIME *written) {
    int fd = (int)(intptr_t)file;
    Sim().timesSet.push_back(
        {HostPathOfFile(fd), FileTimeValue(created), FileTimeValue(accessed), FileTimeValue(written)});
    if (Fails(kFaultSetTime))
        return FALSE;
    int64_t times[2][2];
    const FILETIME *sources[2] = {accessed, written};
    for (int i = 0; i < 2; i++) {
        if (!sources[i])
            continue;
        int64_t since = (int64_t)(FileTimeValue(sources[i]) - kUnixEpochAsFileTime);
        // Rounded down, so that times before 1970 keep a fraction in [0, 1 s).
        int64_t seconds = since / 10000000 - (since % 10000000 < 0);
        times[i][0] = seconds;
        times[i][1] = (since - seconds * 10000000) * 100;
    }
    return HostSetTimes(fd, accessed ? times[0] : nullptr, written ? times[1] : nullptr);
}

static BOOL MakeHostFolder(const std::string &host) {
    if (host.empty() || Fails(kFaultMakeFolder))
        return FALSE;
    return HostMakeFolder(host);
}

BOOL CreateDirectoryA(LPCSTR path, void *security) {
    (void)security;
    return MakeHostFolder(CallPath(AnsiToUtf8(path), kClassicFolderLimit, true));
}

BOOL CreateDirectoryW(LPCWSTR path, void *security) {
    (void)security;
    return MakeHostFolder(CallPath(WidePath(path), kClassicFolderLimit, true));
}

// One open search: the entry found by FindFirstFile.
struct FindHandle {
    int unused;
};

static void CopyFoundName(const std::string &name, char *to) {
    strncpy(to, Utf8ToAnsi(name).c_str(), MAX_PATH - 1);
}

static void CopyFoundName(const std::string &name, WCHAR *to) {
    CopyOutWide(name, to, MAX_PATH);
}

// The entry a search for host (a host path) finds, or INVALID_HANDLE_VALUE.
template <typename Char>
static HANDLE FindEntry(const std::string &host, FindDataOf<Char> *data) {
    Sim().pathLookups++;
    bool folder = false;
    uint64_t size = 0;
    if (host.empty() || !HostStat(host, &folder, &size))
        return INVALID_HANDLE_VALUE;
    memset(data, 0, sizeof *data);
    data->dwFileAttributes = folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    data->nFileSizeLow = (DWORD)size;
    CopyFoundName(host.substr(host.rfind('/') + 1), data->cFileName);
    return new FindHandle();
}

HANDLE FindFirstFileA(LPCSTR path, LPWIN32_FIND_DATAA data) {
    return FindEntry(CallPath(AnsiToUtf8(path), kClassicPathLimit, false), data);
}

HANDLE FindFirstFileW(LPCWSTR path, LPWIN32_FIND_DATAW data) {
    return FindEntry(CallPath(WidePath(path), kClassicPathLimit, false), data);
}

DWORD GetFileAttributesW(LPCWSTR path) {
    Sim().pathLookups++;
    std::string host = CallPath(WidePath(path), kClassicPathLimit, false);
    bool folder = false;
    if (host.empty() || !HostStat(host, &folder, nullptr))
        return INVALID_FILE_ATTRIBUTES;
    return folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
}

DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR *filePart) {
    std::string given = WidePath(path);
    std::string full = given;
    if (given.compare(0, 4, "\\\\?\\") != 0 && given.compare(0, 4, "\\\\.\\") != 0) {
        full = AbsoluteWindowsPath(given);
        if (full.empty())
            return 0;
        // A final separator stays.
        if (!given.empty() && (given.back() == '\\' || given.back() == '/') && full.back() != '\\')
            full += '\\';
    }
    std::u16string wide = Utf8ToUtf16(full);
    if (filePart)
        *filePart = nullptr;
    if (wide.size() + 1 > size)
        return (DWORD)wide.size() + 1;
    wide.copy(buffer, wide.size());
    buffer[wide.size()] = 0;
    return (DWORD)wide.size();
}

BOOL FindClose(HANDLE find) {
    delete (FindHandle *)find;
    return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    return (DWORD)CopyOut(Sim().currentDirectory, buffer, size);
}

// path is UTF-8.
static BOOL SetCurrentFolder(const std::string &path) {
    std::string absolute = AbsoluteWindowsPath(path);
    std::string host = HostPath(path);
    bool folder = false;
    if (absolute.empty() || host.empty() || !HostStat(host, &folder, nullptr) || !folder)
        return FALSE;
    Sim().currentDirectory = absolute;
    return TRUE;
}

// The wide calls: the simulated machine's texts are UTF-8.
DWORD GetCurrentDirectoryW(DWORD size, LPWSTR buffer) {
    return (DWORD)CopyOutWide(Sim().currentDirectory, buffer, size);
}

BOOL SetCurrentDirectoryW(LPCWSTR path) {
    return SetCurrentFolder(WidePath(path));
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
    return SetCurrentFolder(AnsiToUtf8(path));
}

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size) {
    return (UINT)CopyOutWide(Sim().windowsDirectory, buffer, size);
}

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
    return (UINT)CopyOut(Sim().windowsDirectory, buffer, size);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    return (UINT)CopyOut(Sim().systemDirectory, buffer, size);
}

static int DriveLetterOf(LPCSTR root) {
    if (!root || !root[0] || root[1] != ':')
        return 0;
    char letter = root[0];
    if (letter >= 'a' && letter <= 'z')
        letter = (char)(letter - 32);
    return letter >= 'A' && letter <= 'Z' ? letter : 0;
}

BOOL GetVolumeInformationA(LPCSTR root, LPSTR label, DWORD labelSize, DWORD *serial, DWORD *componentLength,
                           DWORD *flags, LPSTR fileSystem, DWORD fileSystemSize) {
    (void)serial, (void)componentLength, (void)flags, (void)fileSystem, (void)fileSystemSize;
    int letter = DriveLetterOf(root);
    auto found = Sim().volumeLabels.find((char)letter);
    if (!letter || found == Sim().volumeLabels.end() || labelSize == 0)
        return FALSE;
    std::string value = found->second.substr(0, labelSize - 1);
    strcpy(label, value.c_str());
    return TRUE;
}

UINT GetDriveTypeA(LPCSTR root) {
    int letter = DriveLetterOf(root);
    if (!letter)
        return DRIVE_NO_ROOT_DIR;
    if (!HostStat(DriveFolder((char)letter), nullptr, nullptr))
        return DRIVE_NO_ROOT_DIR;
    auto found = Sim().driveTypes.find((char)letter);
    return found == Sim().driveTypes.end() ? DRIVE_FIXED : found->second;
}

UINT GetDriveTypeW(LPCWSTR root) {
    return GetDriveTypeA(WidePath(root).c_str());
}
