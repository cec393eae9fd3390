// Whole-file reads and all-or-nothing writes: output goes to a temporary file
// beside its destination and is renamed into place only when complete.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

// The folder part of `path`: "." without one, "/" for the root.
std::string FolderOfPath(const std::string &path);

// The part of `path` after its last separator.
std::string FileNameOfPath(const std::string &path);

// `folder`/`prefix` followed by 12 random hexadecimal digits.
std::string UniqueName(const std::string &folder, const char *prefix);

// Reads the file at `path`; fails with the system's reason.
bool ReadWholeFile(const std::string &path, std::vector<uint8_t> &bytes, std::string &why);

// A file being written under a temporary name.
struct PendingFile {
    std::string path;       // the final name
    std::string temporary;  // where the bytes are until CommitFiles
};

// Writes `bytes` to a temporary file in the folder of `path` (on Linux mode
// 0755 less the umask, as for a program). Fails with the reason and leaves nothing.
bool StageFile(const std::string &path, const std::vector<uint8_t> &bytes, PendingFile &pending, std::string &why);

// Renames every staged file to its final name; on the first failure removes
// the temporaries not yet renamed and answers the file and the reason.
bool CommitFiles(std::vector<PendingFile> &files, std::string &failedPath, std::string &why);

// Removes the temporaries of files not committed.
void DiscardFiles(std::vector<PendingFile> &files);
