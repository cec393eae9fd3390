// Archives made by the common tools, extracted by the pass and by unzip: the
// two trees must agree in every byte and every file time.
#include <gtest/gtest.h>

#include "base/error_exit.h"
#include "tests/archive/archive_fixture.h"

using namespace archivetest;

namespace {

struct ToolCase {
    const char *label;
    const char *command;   // run in the source folder; writes ../a.zip
};

void PrintTo(const ToolCase &c, std::ostream *out) {
    *out << c.label;
}

class ToolArchiveTest : public ExtractionTest, public ::testing::WithParamInterface<ToolCase> {};

// The archives are made fourteen hours east of UTC (a POSIX zone, so that
// no time zone data is needed) and extracted in UTC: members with a UTC time
// in their extra field must come out at that time, the others at their
// MS-DOS time read as local time, as unzip reads them.
TEST_P(ToolArchiveTest, ExtractsWhatUnzipExtracts) {
    std::string source = scratch_ + "/src";
    MakeSourceTree(source);
    ASSERT_EQ(testsupport::Run("cd '" + source + "' && TZ=EAST-14 " + GetParam().command + " >/dev/null"), 0);
    std::string zip = scratch_ + "/a.zip";
    ASSERT_EQ(testsupport::Run("TZ=UTC unzip -q -o '" + zip + "' -d '" + scratch_ + "/ref'"), 0);

    InstallImage(testsupport::ReadFile(zip));
    ASSERT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_EQ(BoxCount(), 0u) << LastBox();
    EXPECT_EQ(TreeDifferences(root_ + "/C/OUT", scratch_ + "/ref"), "");
    EXPECT_EQ(ctx.outputFile, 0);
    EXPECT_EQ(ctx.extractionRunning, 0);
}

// zip -D leaves out the folder entries; 7z and Python's zipfile add them;
// the pipe variant writes data descriptors (bit 3) with the sizes then
// copied into the local headers, as the builder does.
INSTANTIATE_TEST_SUITE_P(
    Tools, ToolArchiveTest,
    ::testing::Values(
        ToolCase{"zip0", "zip -q -r -0 ../a.zip ."},
        ToolCase{"zip6", "zip -q -r -6 ../a.zip ."},
        ToolCase{"zip9NoFolders", "zip -q -r -9 -D ../a.zip ."},
        ToolCase{"sevenZip", "7z a -tzip -bd ../a.zip ."},
        ToolCase{"python", "python3 " TARVEX_SOURCE_DIR "/tests/archive/python_zip.py ../a.zip . seekable"},
        ToolCase{"pythonDescriptors", "python3 " TARVEX_SOURCE_DIR "/tests/archive/python_zip.py ../a.zip . pipe"}),
    [](const ::testing::TestParamInfo<ToolCase> &info) { return std::string(info.param.label); });

}  // namespace
