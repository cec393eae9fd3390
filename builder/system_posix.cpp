// The builder's system calls on Linux: paths are bytes already.
#include "builder/system.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

std::vector<std::string> Utf8Arguments(int argc, char **argv) {
    return std::vector<std::string>(argv, argv + argc);
}

FILE *OpenFile(const std::string &path, const char *mode) {
    return fopen(path.c_str(), mode);
}

FILE *CreateNewFile(const std::string &path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return nullptr;
    FILE *file = fdopen(fd, "wb");
    if (!file)
        close(fd);
    return file;
}

bool FinishProgramFile(FILE *file) {
    mode_t mask = umask(0);
    umask(mask);
    return fflush(file) == 0 && fchmod(fileno(file), 0755 & ~mask) == 0 && fsync(fileno(file)) == 0;
}

bool MoveIntoPlace(const std::string &from, const std::string &to) {
    return rename(from.c_str(), to.c_str()) == 0;
}

bool IsFolder(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ModificationTime(const std::string &path, long long &seconds) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return false;
    seconds = (long long)info.st_mtime;
    return true;
}

bool ExistsOnDisk(const std::string &path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

std::string ProgramFolder() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    std::string self(path, (size_t)length);
    return self.substr(0, self.rfind('/'));
}

bool IsTerminal(FILE *stream) {
    return isatty(fileno(stream)) != 0;
}

bool RandomBytes(uint8_t *bytes, size_t n) {
    FILE *source = fopen("/dev/urandom", "rb");
    bool ok = source && fread(bytes, 1, n, source) == n;
    if (source)
        fclose(source);
    return ok;
}

bool LocalCalendarTime(time_t stamp, struct tm &local) {
    return localtime_r(&stamp, &local) != nullptr;
}

std::string LastErrorText() {
    return strerror(errno);
}

bool CodePageToUtf8(unsigned codePage, const std::string &bytes, std::string &utf8) {
    iconv_t convert = iconv_open("UTF-8", ("CP" + std::to_string(codePage)).c_str());
    if (convert == (iconv_t)-1)
        return false;
    std::string in = bytes;
    std::string out(bytes.size() * 4 + 4, '\0');
    char *from = &in[0], *to = &out[0];
    size_t fromLeft = in.size(), toLeft = out.size();
    bool done = iconv(convert, &from, &fromLeft, &to, &toLeft) != (size_t)-1 && fromLeft == 0;
    iconv_close(convert);
    if (done)
        utf8.assign(out.data(), out.size() - toLeft);
    return done;
}
