// What the builder needs of the operating system, with every path given as
// UTF-8 text: on Linux that is the file system's own form, on Windows each
// call converts it to UTF-16 and uses the wide-character API, so that names
// outside the ANSI code page work there too.
#pragma once
#include <stdint.h>
#include <stdio.h>
#include <time.h>

#include <filesystem>
#include <string>
#include <vector>

// The command line's arguments as UTF-8 (Windows: from the wide command
// line; Linux: as given). Also sets a Windows console to UTF-8 output.
std::vector<std::string> Utf8Arguments(int argc, char **argv);

// fopen on a UTF-8 path.
FILE *OpenFile(const std::string &path, const char *mode);

// Moves `file` to `offset` from its start (64 bits on every system).
bool SeekFile(FILE *file, uint64_t offset);

// Creates `path` for writing, failing when it exists already.
FILE *CreateNewFile(const std::string &path);

// Flushes `file` to the disk and, on Linux, gives it mode 0755 less the
// umask (a program); answers false with errno set on failure.
bool FinishProgramFile(FILE *file);

// Renames `from` to `to`, replacing a file of that name.
bool MoveIntoPlace(const std::string &from, const std::string &to);

bool IsFolder(const std::string &path);

// The modification time of `path` (following links), seconds since 1970.
bool ModificationTime(const std::string &path, long long &seconds);
bool ExistsOnDisk(const std::string &path);

// What stands at a path, the path itself (a link is not followed).
enum PathKind {
    kPathMissing,
    kPathRegular,
    kPathFolder,
    kPathLink,          // symbolic link, or on Windows any reparse point
    kPathFifo,
    kPathCharDevice,    // also a Windows device name such as NUL or CON
    kPathBlockDevice,
    kPathSocket,
};
PathKind KindOfPath(const std::string &path);

// Paths removed if the process is stopped by SIGINT, SIGTERM or SIGHUP (on
// Windows Ctrl-C or Ctrl-Break): the temporary files and folders of a build.
// CatchInterrupts sets up the catching once, before any is registered; a
// folder is removed with everything in it. Forget a path once it has been
// renamed into place (until then its removal is harmless: the rename either
// happened, so the name is gone, or not).
void CatchInterrupts();
void RemoveOnInterrupt(const std::string &path);
// CreateNewFile and RemoveOnInterrupt as one step, so that an interrupt
// between the two cannot leave the file behind.
FILE *CreateNewFileRemovedOnInterrupt(const std::string &path);
void ForgetOnInterrupt(const std::string &path);

// Shows `prompt` on the terminal and reads one line from it with echo off
// (restored afterwards, and if the process is interrupted meanwhile); false
// when there is no terminal to ask on.
bool ReadHiddenLine(const char *prompt, std::string &line);

// The folder the running program stands in.
std::string ProgramFolder();

// Whether `stream` goes to a terminal.
bool IsTerminal(FILE *stream);

// Fills `bytes` from the system's random source.
bool RandomBytes(uint8_t *bytes, size_t n);

// The local calendar time of `stamp`.
bool LocalCalendarTime(time_t stamp, struct tm &local);

// The system's last error as words.
std::string LastErrorText();

// A UTF-8 path as a std::filesystem path, and back.
inline std::filesystem::path FsPath(const std::string &utf8) {
    return std::filesystem::u8path(utf8);
}
inline std::string Utf8Path(const std::filesystem::path &path) {
    return path.u8string();
}

// `bytes` read in the Windows code page `codePage` (437, 850, 866, 932,
// 1251, ...), as UTF-8; false when the system does not know the code page or
// a byte sequence is not a character of it.
bool CodePageToUtf8(unsigned codePage, const std::string &bytes, std::string &utf8);
