// Input through libarchive: ZIP members of methods the stub does not decode
// and archives of other formats become images whose members the stub
// decodes (each deflated again or stored), extracting to the source tree
// with its names (one outside ASCII), empty folder and times.
#include <sys/stat.h>

#include <filesystem>

#include "builder_fixture.h"

using namespace buildertest;

namespace {

struct Maker {
    const char *name;
    const char *tool;       // needed on PATH
    const char *command;    // run in the source folder; %A is the archive
};

const Maker kMakers[] = {
    {"zip_bzip2", "zip", "zip -qr -Z bzip2 %A ."},
    {"zip_lzma", "7z", "7z a -tzip -mm=LZMA -bd %A . >/dev/null"},
    {"zip_ppmd", "7z", "7z a -tzip -mm=PPMd -bd %A . >/dev/null"},
    {"7z", "7z", "7z a -bd %A . >/dev/null"},
    {"tar_gz", "tar", "tar czf %A ."},
    {"tar_bz2", "tar", "tar cjf %A ."},
    {"tar_xz", "tar", "tar cJf %A ."},
    {"tar_zst", "zstd", "tar --zstd -cf %A ."},
    {"cpio", "bsdtar", "bsdtar --format cpio -cf %A ."},
    {"iso9660", "bsdtar", "bsdtar --format iso9660 -cf %A ."},
};

class OtherArchive : public testing::TestWithParam<Maker> {};

TEST_P(OtherArchive, ExtractsTheSameTree) {
    const Maker &maker = GetParam();
    REQUIRE_STUB();
    REQUIRE_TOOL("unzip");
    if (Shell(std::string("command -v ") + maker.tool + " >/dev/null").status != 0)
        SKIP_UNLESS_CI(maker.tool << " is not installed");
    TempFolder temp;
    std::string source = SourceTreeIn(temp);
    WriteText(source + "/docs/n\xc3\xbc.txt", "umlaut\n");
    Shell("touch -d '2019-06-01 12:34:56' " + Quote(source + "/readme.txt"));
    std::string archive = temp / "in.archive", image = temp / "out.exe";
    std::string command = maker.command;
    command.replace(command.find("%A"), 2, Quote(archive));
    CommandResult made = Shell("cd " + Quote(source) + " && " + command);
    ASSERT_EQ(made.status, 0) << made.err;
    CommandResult built = Mksfx("-q --stub " + Quote(TestStub()) + " " + Quote(archive) + " -o " + Quote(image));
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(Mksfx("info " + Quote(image)).status, 0);
    CommandResult methods = Shell("unzip -v " + Quote(image) + " | awk 'NR > 3 && $2 != \"Stored\" && $2 != "
                                  "\"Defl:N\" && $2 != \"Defl:X\" && $2 != \"Defl:F\" && $2 != \"Defl:S\"' | head -n -2");
    EXPECT_EQ(methods.out, "") << "members of other methods are left";
    CommandResult extracted = Shell("unzip -q " + Quote(image) + " -d " + Quote(temp / "x"));
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(TreeListing(temp / "x", true), TreeListing(source, true));
    struct stat info = {};
    stat((temp / "x/readme.txt").c_str(), &info);
    struct stat original = {};
    stat((source + "/readme.txt").c_str(), &original);
    EXPECT_EQ(info.st_mtime, original.st_mtime);
}

INSTANTIATE_TEST_SUITE_P(Makers, OtherArchive, testing::ValuesIn(kMakers),
                         [](const testing::TestParamInfo<Maker> &info) { return std::string(info.param.name); });

// An archive that is encrypted is refused with a reason, not taken with
// its entries left out.
TEST(OtherArchiveRefusal, EncryptedSevenZip) {
    REQUIRE_STUB();
    REQUIRE_TOOL("7z");
    TempFolder temp;
    std::string source = SourceTreeIn(temp);
    Shell("cd " + Quote(source) + " && 7z a -bd -psecret " + Quote(temp / "in.7z") + " . >/dev/null");
    CommandResult built = Mksfx("-q --stub " + Quote(TestStub()) + " " + Quote(temp / "in.7z") + " -o " +
                                Quote(temp / "out.exe"));
    EXPECT_EQ(built.status, 1);
    EXPECT_NE(built.err.find("encrypt"), std::string::npos) << built.err;
    EXPECT_FALSE(std::filesystem::exists(temp / "out.exe"));
}

}  // namespace
