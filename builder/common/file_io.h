// Whole-file reads and all-or-nothing writes: output goes to a temporary file
// beside its destination and is renamed into place only when complete.
#pragma once
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "builder/common/failure.h"

// The folder part of `path`: "." without one, "/" for the root.
std::string FolderOfPath(const std::string &path);

// The part of `path` after its last separator.
std::string FileNameOfPath(const std::string &path);

// `folder`/`prefix` followed by 12 random hexadecimal digits.
std::string UniqueName(const std::string &folder, const char *prefix);

// Creates a new file `folder`/`prefix` followed by 12 random hexadecimal
// digits (UniqueName), to be removed if the process is interrupted; tries a
// few names. Answers the open file with its name in `path`, or null with
// errno set and `path` empty.
FILE *CreateScratchFile(const std::string &folder, const char *prefix, std::string &path);

// Closes `file` when open and removes the file at `path` (unless empty),
// which an interrupt then no longer needs to remove; leaves both cleared.
// Every scratch and temporary file of a build ends here unless renamed.
void RemoveScratchFile(FILE *&file, std::string &path);

// Reads the file at `path`; fails naming it, with the system's reason.
bool ReadWholeFile(const std::string &path, std::vector<uint8_t> &bytes, Failure &failure);

// A file being written under a temporary name, beside its final one so
// that the rename into place cannot cross file systems.
struct PendingFile {
    std::string path;       // the final name
    std::string temporary;  // where the bytes are until CommitPending
    FILE *file = nullptr;   // open for writing until CommitPending or DiscardPending
};

// Creates the temporary file in the folder of `path`, to be removed if the
// process is interrupted. Fails naming `path`, with the reason, and leaves
// nothing.
bool OpenPending(const std::string &path, PendingFile &pending, Failure &failure);

// Appends `n` bytes; fails naming the final name, with the system's reason
// (as do PatchPending and CommitPending).
bool WritePending(PendingFile &pending, const void *bytes, size_t n, Failure &failure);

// Overwrites `n` bytes at `offset` of what was written, then goes on at
// the end.
bool PatchPending(PendingFile &pending, uint64_t offset, const void *bytes, size_t n, Failure &failure);

// Flushes the file to the disk (on Linux with mode 0755 less the umask, as
// for a program) and renames it to its final name, replacing a regular file
// there. On failure removes the temporary.
bool CommitPending(PendingFile &pending, Failure &failure);

// Closes and removes the temporary of a file not committed; nothing once
// committed.
void DiscardPending(PendingFile &pending);
