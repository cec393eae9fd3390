#include "builder/file_io.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <system_error>

#include "builder/system.h"

bool ReadWholeFile(const std::string &path, std::vector<uint8_t> &bytes, std::string &why) {
    if (IsFolder(path)) {
        why = "is a folder, not a file";
        return false;
    }
    FILE *file = OpenFile(path, "rb");
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

bool StageFile(const std::string &path, const std::vector<uint8_t> &bytes, PendingFile &pending, std::string &why) {
    std::string temporary;
    FILE *file = nullptr;
    for (int attempt = 0; attempt < 8 && !file; attempt++) {
        temporary = UniqueName(FolderOfPath(path), ".mksfx-");
        file = CreateNewFile(temporary);
    }
    if (!file) {
        why = std::string("cannot create a file in its folder: ") + strerror(errno);
        return false;
    }
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && FinishProgramFile(file);
    if (!ok)
        why = strerror(errno);
    if (fclose(file) != 0 && ok) {
        ok = false;
        why = strerror(errno);
    }
    if (!ok) {
        std::error_code ignored;
        std::filesystem::remove(FsPath(temporary), ignored);
        return false;
    }
    pending.path = path;
    pending.temporary = temporary;
    return true;
}

bool CommitFiles(std::vector<PendingFile> &files, std::string &failedPath, std::string &why) {
    for (PendingFile &file : files) {
        if (!MoveIntoPlace(file.temporary, file.path)) {
            failedPath = file.path;
            why = LastErrorText();
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
            std::error_code ignored;
            std::filesystem::remove(FsPath(file.temporary), ignored);
            file.temporary.clear();
        }
}
