#include "platform/host/host_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <sys/utime.h>
#include <wchar.h>
#include <stdlib.h>
#else
#include <dirent.h>
#include <unistd.h>
#endif

#include "platform/host/sim_internal.h"

namespace hostsim {

#ifdef _WIN32

// The layer's UTF-8 paths as the C library's wide calls take them, through
// the layer's own conversions (wchar_t is UTF-16 on Windows).
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wchar_t holds UTF-16 on Windows");

static std::wstring Wide(const std::string &text) {
    std::u16string wide = Utf8ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

static std::string Narrow(const wchar_t *text) {
    return Utf16ToUtf8(reinterpret_cast<const char16_t *>(text), wcslen(text));
}

bool HostStat(const std::string &path, bool *folder, uint64_t *size) {
    struct _stat64 info;
    if (_wstat64(Wide(path).c_str(), &info) != 0)
        return false;
    if (folder)
        *folder = (info.st_mode & _S_IFDIR) != 0;
    if (size)
        *size = (uint64_t)info.st_size;
    return true;
}

int HostOpenForReading(const std::string &path) {
    return _wopen(Wide(path).c_str(), _O_RDONLY | _O_BINARY);
}

int HostCreateFile(const std::string &path) {
    return _wopen(Wide(path).c_str(), _O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}

bool HostMakeFolder(const std::string &path) {
    return _wmkdir(Wide(path).c_str()) == 0;
}

std::vector<std::string> HostFolderNames(const std::string &path) {
    std::vector<std::string> names;
    struct _wfinddata64_t found;
    intptr_t search = _wfindfirst64(Wide(path + "/*").c_str(), &found);
    if (search == -1)
        return names;
    do {
        std::string name = Narrow(found.name);
        if (name != "." && name != "..")
            names.push_back(name);
    } while (_wfindnext64(search, &found) == 0);
    _findclose(search);
    return names;
}

std::string HostPathOfFile(int) {
    return std::string();
}

bool HostSetTimes(int fd, const int64_t *accessed, const int64_t *modified) {
    struct _stat64 info;
    if (_fstat64(fd, &info) != 0)
        return false;
    struct __utimbuf64 times;
    times.actime = accessed ? (__time64_t)(accessed[0]) : info.st_atime;
    times.modtime = modified ? (__time64_t)(modified[0]) : info.st_mtime;
    return _futime64(fd, &times) == 0;
}

#else

bool HostStat(const std::string &path, bool *folder, uint64_t *size) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return false;
    if (folder)
        *folder = S_ISDIR(info.st_mode);
    if (size)
        *size = (uint64_t)info.st_size;
    return true;
}

int HostOpenForReading(const std::string &path) {
    return open(path.c_str(), O_RDONLY);
}

int HostCreateFile(const std::string &path) {
    return open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0666);
}

bool HostMakeFolder(const std::string &path) {
    return mkdir(path.c_str(), 0777) == 0;
}

std::vector<std::string> HostFolderNames(const std::string &path) {
    std::vector<std::string> names;
    DIR *listing = opendir(path.c_str());
    if (!listing)
        return names;
    while (struct dirent *entry = readdir(listing)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(listing);
    return names;
}

std::string HostPathOfFile(int fd) {
    char link[64], path[4096];
    snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    ssize_t length = readlink(link, path, sizeof path);
    return length > 0 ? std::string(path, (size_t)length) : std::string();
}

bool HostSetTimes(int fd, const int64_t *accessed, const int64_t *modified) {
    struct timespec times[2];
    const int64_t *sources[2] = {accessed, modified};
    for (int i = 0; i < 2; i++) {
        if (!sources[i]) {
            times[i].tv_sec = 0;
            times[i].tv_nsec = UTIME_OMIT;
            continue;
        }
        times[i].tv_sec = (time_t)sources[i][0];
        times[i].tv_nsec = (long)sources[i][1];
    }
    return futimens(fd, times) == 0;
}

#endif

}  // namespace hostsim
