#include "builder/file_io.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

bool ReadWholeFile(const std::string &path, std::vector<uint8_t> &bytes, std::string &why) {
    FILE *file = fopen(path.c_str(), "rb");
    if (!file) {
        why = strerror(errno);
        return false;
    }
    bytes.clear();
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    bool ok = !ferror(file);
    if (!ok)
        why = strerror(errno);
    fclose(file);
    return ok;
}

std::string FolderOfPath(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

static bool WriteAll(int fd, const std::vector<uint8_t> &bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
        done += (size_t)wrote;
    }
    return true;
}

bool StageFile(const std::string &path, const std::vector<uint8_t> &bytes, PendingFile &pending, std::string &why) {
    std::string pattern = FolderOfPath(path) + "/.mksfx-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    int fd = mkstemp(name.data());
    if (fd < 0) {
        why = std::string("cannot create a file in its folder: ") + strerror(errno);
        return false;
    }
    mode_t mask = umask(0);
    umask(mask);
    bool ok = WriteAll(fd, bytes) && fchmod(fd, 0755 & ~mask) == 0 && fsync(fd) == 0;
    if (!ok)
        why = strerror(errno);
    if (close(fd) != 0 && ok) {
        ok = false;
        why = strerror(errno);
    }
    if (!ok) {
        unlink(name.data());
        return false;
    }
    pending.path = path;
    pending.temporary = name.data();
    return true;
}

bool CommitFiles(std::vector<PendingFile> &files, std::string &failedPath, std::string &why) {
    for (PendingFile &file : files) {
        if (rename(file.temporary.c_str(), file.path.c_str()) != 0) {
            failedPath = file.path;
            why = strerror(errno);
            DiscardFiles(files);
            return false;
        }
        file.temporary.clear();
    }
    return true;
}

void DiscardFiles(std::vector<PendingFile> &files) {
    for (PendingFile &file : files)
        if (!file.temporary.empty()) {
            unlink(file.temporary.c_str());
            file.temporary.clear();
        }
}
