// Shared helpers of the builder tests: running commands, temporary folders,
// a source tree to archive, stubs (the cross-compiled stand-in and synthetic
// PE files), and reading an image's record and section table.
#pragma once
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace buildertest {

struct CommandResult {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs a shell command, capturing its standard output and error.
CommandResult Shell(const std::string &command);

// Single-quoted for the shell.
std::string Quote(const std::string &text);

// mksfx with `arguments` (already quoted where needed).
CommandResult Mksfx(const std::string &arguments);

// The cross-compiled stand-in stub, or "" when it could not be built.
std::string TestStub();

// True when the CI environment variable is set (not empty).
bool InCi();

// Ends the current test as skipped, naming what is missing; under CI as
// failed, so that a missing install step shows as a red run rather than a
// green one that tested less.
#define SKIP_UNLESS_CI(reason)                                              \
    do {                                                                   \
        if (buildertest::InCi()) {                                         \
            FAIL() << "CI, so no skip: " << reason;                        \
        } else {                                                           \
            GTEST_SKIP() << reason;                                        \
        }                                                                  \
    } while (0)

// Skips the current test when `tool` is not on PATH or the stub is missing.
#define REQUIRE_TOOL(tool)                                                 \
    if (buildertest::Shell("command -v " tool " >/dev/null").status != 0) {  \
        SKIP_UNLESS_CI(tool " is not installed");                          \
    }
#define REQUIRE_STUB()                                                     \
    if (buildertest::TestStub().empty()) {                                 \
        SKIP_UNLESS_CI("no cross compiler, so no stand-in stub");          \
    }

// A fresh folder under /tmp, removed when the object goes.
struct TempFolder {
    std::string path;
    TempFolder();
    ~TempFolder();
    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

std::vector<uint8_t> ReadBytes(const std::string &path);
void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);
void WriteText(const std::string &path, const std::string &text);

// A tree with text, incompressible and empty files, a nested folder, an
// empty folder and a name with a space.
void MakeSourceTree(const std::string &root);

// Relative path -> content of every file under root, and "dir/" -> "" for
// every folder when withFolders.
std::map<std::string, std::string> TreeListing(const std::string &root, bool withFolders);

// A minimal PE32 file: `sections` sections of one file-alignment unit each,
// the first holding a default ConfigRecord at offset 16; SizeOfHeaders and
// the first section's raw pointer are `headerSize`.
std::vector<uint8_t> SyntheticStub(uint32_t fileAlignment, uint32_t sectionAlignment, unsigned sections,
                                   uint32_t headerSize);

// Facts read back from a finished image.
struct ImageView {
    std::vector<uint8_t> bytes;
    size_t record = 0;                 // offset of the ConfigRecord
    uint32_t lfanew = 0;
    uint16_t sections = 0;
    size_t lastSection = 0;            // offset of the last section table entry

    uint32_t Field(int offset) const;  // u32 at record + offset
    uint32_t Pe(int offset) const;     // u32 at lfanew + offset
    uint32_t Last(int offset) const;   // u32 at lastSection + offset
};

ImageView ViewImage(const std::string &path);

// Writes a ZIP of stored members (name -> content; names ending in / are
// folders) with the builder's own writer, which checks nothing.
void WriteStoredZip(const std::string &path, const std::vector<std::pair<std::string, std::string>> &members);

// Makes `folder`/src with MakeSourceTree and answers its path.
std::string SourceTreeIn(const TempFolder &folder);

}  // namespace buildertest
