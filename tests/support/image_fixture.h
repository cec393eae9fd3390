// Self-extractor images made by hand for host tests: a DOS header and stub,
// PE headers with a two-entry section table, some code bytes, the
// ConfigRecord, the TextBlock and a ZIP archive made by `zip` (its offsets
// adjusted to count from the file start), padded to the file alignment.
#pragma once
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

#include "image/config_record.h"

namespace testsupport {

// Where the hand-made image puts things.
enum TestImageLayout {
    kTestLfanew = 0x80,
    kTestCodeOffset = 0x200,
    kTestRecordOffset = 0x300,
    kTestTextBlockOffset = 0x400,
    kTestEntryPoint = 0x1000,
};

// Where the tests put the image, and string 39 as the user reads it.
extern const char kTestImagePath[];
extern const char kDamagedText[];

struct TestImageShape {
    uint32_t flags = 0;
    bool withTextBlock = true;
    // The five TextBlock strings; more or fewer make a malformed block.
    std::vector<std::string> strings = {"", "", "", "", "info"};
    std::map<std::string, std::string> members = {{"readme.txt", "hello, world\n"}};
    bool withChecksum = true;
    int16_t complete = -1;
};

struct TestImage {
    std::string bytes;
    ConfigRecord record;   // as written at kTestRecordOffset
    uint32_t zipOffset;    // where the archive starts (also ArchiveOffset unless changed)
};

// The strings joined, each with its terminator.
std::string TextBlockOf(const std::vector<std::string> &strings);

// Builds the image in memory; scratch is a host folder for zip's files.
TestImage MakeTestImage(const TestImageShape &shape, const std::string &scratch);

// CRC-32 of the first ArchiveOffset bytes as the stub checksum takes it:
// the 4 bytes behind the record's marker as zero and, with CrcSkipsHeaders,
// from the section table on.
uint32_t StubChecksumOf(const TestImage &image);

// Writes image.record into the bytes, with StubCrc recomputed when it is
// not 0 (call after changing the record or the TextBlock).
void SealTestImage(TestImage &image);

// Makes windowsPath (UTF-8) the running program's path, on the machine and
// in ctx (imagePath, as start-up finds it).
void UseImagePath(const std::string &windowsPath);
// Writes the image to windowsPath on the simulated machine and makes it the
// running program: UseImagePath, configRecord.
void InstallTestImage(const TestImage &image, const std::string &windowsPath);

}  // namespace testsupport
