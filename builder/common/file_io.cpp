#include "builder/common/file_io.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <system_error>

#include "builder/common/system.h"

bool ReadWholeFile(const std::string &path, std::vector<uint8_t> &bytes, Failure &failure) {
    if (IsFolder(path))
        return Fail(failure, path, "is a folder, not a file");
    FILE *file = OpenFile(path, "rb");
    if (!file)
        return Fail(failure, path, strerror(errno));
    bytes.clear();
    uint8_t buffer[65536];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    bool ok = !ferror(file) || Fail(failure, path, strerror(errno));
    fclose(file);
    return ok;
}

// Where the folder part of `path` ends: at its last separator ('\' counts
// on Windows only, where it is one).
static size_t LastSeparator(const std::string &path) {
#ifdef _WIN32
    return path.find_last_of("/\\");
#else
    return path.rfind('/');
#endif
}

std::string FolderOfPath(const std::string &path) {
    size_t slash = LastSeparator(path);
    return slash == std::string::npos ? "." : slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

std::string FileNameOfPath(const std::string &path) {
    size_t slash = LastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string UniqueName(const std::string &folder, const char *prefix) {
    uint8_t random[6] = {};
    RandomBytes(random, sizeof random);
    char tail[16];
    snprintf(tail, sizeof tail, "%02x%02x%02x%02x%02x%02x", random[0], random[1], random[2], random[3], random[4],
             random[5]);
    return folder + "/" + prefix + tail;
}

FILE *CreateScratchFile(const std::string &folder, const char *prefix, std::string &path) {
    FILE *file = nullptr;
    for (int attempt = 0; attempt < 8 && !file; attempt++) {
        path = UniqueName(folder, prefix);
        file = CreateNewFileRemovedOnInterrupt(path);
    }
    if (!file)
        path.clear();
    return file;
}

void RemoveScratchFile(FILE *&file, std::string &path) {
    if (file)
        fclose(file);
    file = nullptr;
    if (path.empty())
        return;
    std::error_code ignored;
    std::filesystem::remove(FsPath(path), ignored);
    ForgetOnInterrupt(path);
    path.clear();
}

bool OpenPending(const std::string &path, PendingFile &pending, Failure &failure) {
    std::string temporary;
    FILE *file = CreateScratchFile(FolderOfPath(path), ".mksfx-", temporary);
    if (!file)
        return Fail(failure, path, std::string("cannot create a file in its folder: ") + strerror(errno));
    pending.path = path;
    pending.temporary = temporary;
    pending.file = file;
    return true;
}

bool WritePending(PendingFile &pending, const void *bytes, size_t n, Failure &failure) {
    if (n == 0 || fwrite(bytes, 1, n, pending.file) == n)
        return true;
    return Fail(failure, pending.path, strerror(errno));
}

bool PatchPending(PendingFile &pending, uint64_t offset, const void *bytes, size_t n, Failure &failure) {
    if (SeekFile(pending.file, offset) && fwrite(bytes, 1, n, pending.file) == n && fseek(pending.file, 0, SEEK_END) == 0)
        return true;
    return Fail(failure, pending.path, strerror(errno));
}

bool CommitPending(PendingFile &pending, Failure &failure) {
    bool ok = FinishProgramFile(pending.file) || Fail(failure, pending.path, strerror(errno));
    if (fclose(pending.file) != 0 && ok)
        ok = Fail(failure, pending.path, strerror(errno));
    pending.file = nullptr;
    if (ok && !MoveIntoPlace(pending.temporary, pending.path))
        ok = Fail(failure, pending.path, LastErrorText());
    if (!ok) {
        DiscardPending(pending);
        return false;
    }
    ForgetOnInterrupt(pending.temporary);
    pending.temporary.clear();
    return true;
}

void DiscardPending(PendingFile &pending) {
    RemoveScratchFile(pending.file, pending.temporary);
}
