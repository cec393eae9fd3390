// Compression levels: each level gives an image that unzip extracts to the
// source tree, -0 stores every file, and the archive does not grow from -1
// to -9 to --best; --recompress shrinks a stored ZIP and keeps its tree;
// large members take the streaming paths and keep their bytes.
#include "builder_fixture.h"

using namespace buildertest;

namespace {

// unzip -v's last line: "  <uncompressed> <compressed> <ratio> <n> files".
long long CompressedTotal(const std::string &image) {
    std::string listing = Shell("unzip -v " + Quote(image) + " | tail -1").out;
    long long uncompressed = 0, compressed = 0;
    sscanf(listing.c_str(), "%lld %lld", &uncompressed, &compressed);
    return compressed;
}

void ExpectSameTree(const std::string &image, const std::string &source, const TempFolder &temp,
                    const std::string &name) {
    std::string into = temp / ("x" + name);
    CommandResult extracted = Shell("unzip -q " + Quote(image) + " -d " + Quote(into));
    EXPECT_EQ(extracted.status, 0) << name << ": " << extracted.err;
    EXPECT_EQ(TreeListing(into, false), TreeListing(source, false)) << name;
}

TEST(Levels, EachExtractsTheTreeAndNoneGrowsWithTheLevel) {
    REQUIRE_STUB();
    REQUIRE_TOOL("unzip");
    TempFolder temp;
    std::string source = SourceTreeIn(temp);
    long long previous = 0;
    for (const char *level : {"-0", "-1", "-6", "-9", "--best"}) {
        std::string image = temp / (std::string("l") + level + ".exe");
        CommandResult built = Mksfx("-q --stub " + Quote(TestStub()) + " " + level + " " + Quote(source) + " -o " +
                                    Quote(image));
        ASSERT_EQ(built.status, 0) << level << ": " << built.err;
        ExpectSameTree(image, source, temp, level);
        long long size = CompressedTotal(image);
        if (std::string(level) == "-0")
            EXPECT_EQ(Shell("unzip -v " + Quote(image) + " | grep -c Defl").out, "0\n") << level;
        else
            EXPECT_LE(size, previous) << level;
        previous = size;
    }
}

TEST(Levels, RecompressShrinksAStoredZip) {
    REQUIRE_STUB();
    REQUIRE_TOOL("unzip");
    REQUIRE_TOOL("zip");
    TempFolder temp;
    std::string source = SourceTreeIn(temp);
    ASSERT_EQ(Shell("cd " + Quote(source) + " && zip -qr0 " + Quote(temp / "in.zip") + " .").status, 0);
    const std::string build = "-q --stub " + Quote(TestStub()) + " " + Quote(temp / "in.zip") + " -o ";
    ASSERT_EQ(Mksfx(build + Quote(temp / "kept.exe")).status, 0);
    CommandResult built = Mksfx("--recompress " + build + Quote(temp / "again.exe"));
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_LT(CompressedTotal(temp / "again.exe") * 2, CompressedTotal(temp / "kept.exe"));
    ExpectSameTree(temp / "again.exe", source, temp, "recompressed");
    EXPECT_EQ(Mksfx("info " + Quote(temp / "again.exe")).status, 0);
}

// Members over the size libdeflate takes whole stream through zlib; when
// deflate does not make one smaller it is stored: taken from the folder's
// file as it is, from the spool for what libarchive decodes, or kept as the
// ZIP had it with --recompress. Each tree comes back the same.
TEST(Levels, LargeMembersThatDoNotShrinkAreStored) {
    REQUIRE_STUB();
    REQUIRE_TOOL("unzip");
    REQUIRE_TOOL("tar");
    TempFolder temp;
    std::string source = temp / "large";
    ASSERT_EQ(Shell("mkdir -p " + Quote(source)).status, 0);
    std::vector<uint8_t> noise(33u << 20);
    uint32_t state = 12345;
    for (uint8_t &byte : noise)
        byte = (uint8_t)((state = state * 1103515245u + 12345u) >> 24);
    WriteBytes(source + "/noise.bin", noise);
    WriteText(source + "/text.txt", std::string(34u << 20, 'a'));
    ASSERT_EQ(Shell("tar -C " + Quote(source) + " -cf " + Quote(temp / "large.tar") + " .").status, 0);
    const struct {
        const char *name;
        std::string options;
        std::string input;
    } cases[] = {
        {"folder", "-1", source},
        {"folder, encrypted", "-1 --password pw", source},
        {"tar", "-1", temp / "large.tar"},
        {"recompress", "-1 --recompress", temp / "folder.exe"},
    };
    for (const auto &c : cases) {
        std::string image = temp / (std::string(c.name) + ".exe");
        CommandResult built = Mksfx("-q --stub " + Quote(TestStub()) + " " + c.options + " " + Quote(c.input) +
                                    " -o " + Quote(image));
        ASSERT_EQ(built.status, 0) << c.name << ": " << built.err;
        std::string listing = Shell("unzip -v " + Quote(image)).out;
        EXPECT_NE(listing.find("Stored"), std::string::npos) << c.name << ":\n" << listing;
        EXPECT_NE(listing.find("Defl"), std::string::npos) << c.name << ":\n" << listing;
        std::string into = temp / (std::string("x-") + c.name);
        CommandResult extracted = Shell("unzip -q -P pw " + Quote(image) + " -d " + Quote(into));
        EXPECT_EQ(extracted.status, 0) << c.name << ": " << extracted.err;
        EXPECT_EQ(TreeListing(into, false), TreeListing(source, false)) << c.name;
        Shell("rm -rf " + Quote(into));
    }
}

}  // namespace
