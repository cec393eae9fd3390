// The builder's system calls on Linux: paths are bytes already.
#include "builder/common/system.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <string.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>
#include <thread>

std::vector<std::string> Utf8Arguments(int argc, char **argv) {
    return std::vector<std::string>(argv, argv + argc);
}

FILE *OpenFile(const std::string &path, const char *mode) {
    return fopen(path.c_str(), mode);
}

bool SeekFile(FILE *file, uint64_t offset) {
    static_assert(sizeof(off_t) >= 8, "files past 2 GiB need a 64-bit off_t");
    return fseeko(file, (off_t)offset, SEEK_SET) == 0;
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

PathKind KindOfPath(const std::string &path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return kPathMissing;
    switch (info.st_mode & S_IFMT) {
    case S_IFREG: return kPathRegular;
    case S_IFDIR: return kPathFolder;
    case S_IFLNK: return kPathLink;
    case S_IFIFO: return kPathFifo;
    case S_IFCHR: return kPathCharDevice;
    case S_IFBLK: return kPathBlockDevice;
    default: return kPathSocket;
    }
}

namespace {

std::mutex leftoversLock;
std::vector<std::string> leftovers;

// The terminal's settings while a prompt has its echo off (ttyWithoutEcho
// open), put back by the interrupt too.
int ttyWithoutEcho = -1;
struct termios ttyBefore;

// The signals are blocked in every thread but this one, which waits for
// them: the removal then runs as ordinary code (std::filesystem may
// allocate), never inside a handler that interrupted the build mid-call.
void AwaitInterrupt(sigset_t signals) {
    int caught = 0;
    if (sigwait(&signals, &caught) != 0)
        return;
    {
        std::lock_guard<std::mutex> hold(leftoversLock);
        for (auto it = leftovers.rbegin(); it != leftovers.rend(); ++it) {
            std::error_code ignored;
            std::filesystem::remove_all(FsPath(*it), ignored);
        }
        leftovers.clear();
        if (ttyWithoutEcho >= 0)
            tcsetattr(ttyWithoutEcho, TCSANOW, &ttyBefore);
    }
    // Ended by the signal itself, as the shell expects of a stopped command.
    signal(caught, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    raise(caught);
    _exit(128 + caught);
}

}  // namespace

void CatchInterrupts() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    if (pthread_sigmask(SIG_BLOCK, &signals, nullptr) == 0)
        std::thread(AwaitInterrupt, signals).detach();
}

void RemoveOnInterrupt(const std::string &path) {
    std::lock_guard<std::mutex> hold(leftoversLock);
    leftovers.push_back(path);
}

FILE *CreateNewFileRemovedOnInterrupt(const std::string &path) {
    std::lock_guard<std::mutex> hold(leftoversLock);
    FILE *file = CreateNewFile(path);
    if (file)
        leftovers.push_back(path);
    return file;
}

void ForgetOnInterrupt(const std::string &path) {
    std::lock_guard<std::mutex> hold(leftoversLock);
    leftovers.erase(std::remove(leftovers.begin(), leftovers.end(), path), leftovers.end());
}

bool ReadHiddenLine(const char *prompt, std::string &line) {
    int tty = open("/dev/tty", O_RDWR | O_CLOEXEC);
    if (tty < 0)
        return false;
    struct termios quiet;
    bool ok = tcgetattr(tty, &quiet) == 0;
    if (ok) {
        std::lock_guard<std::mutex> hold(leftoversLock);
        ttyBefore = quiet;
        quiet.c_lflag &= ~(tcflag_t)ECHO;
        ok = tcsetattr(tty, TCSANOW, &quiet) == 0;
        if (ok)
            ttyWithoutEcho = tty;
    }
    line.clear();
    if (ok && write(tty, prompt, strlen(prompt)) >= 0) {
        char c;
        while (read(tty, &c, 1) == 1 && c != '\n')
            line += c;
    }
    if (ok) {
        std::lock_guard<std::mutex> hold(leftoversLock);
        tcsetattr(tty, TCSANOW, &ttyBefore);
        ttyWithoutEcho = -1;
        ok = write(tty, "\n", 1) == 1;
    }
    close(tty);
    return ok;
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
