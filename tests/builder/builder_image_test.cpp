// The image mksfx writes: the appended section and the PE header fields it
// updates, the ConfigRecord and TextBlock, the stub checksum and what it
// covers, signing the image afterwards, and what mksfx info reports.
#include <string.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>

#include "builder/output/pe_format.h"
#include "archive/zip_format.h"
#include "builder_fixture.h"
#include "base/byte_order.h"
#include "image/config_record.h"

using namespace buildertest;

namespace {

const std::vector<std::pair<std::string, std::string>> kMembers = {
    {"folder/", ""}, {"folder/a.txt", "first member\n"}, {"b.bin", std::string(3000, 'b')}};
const uint32_t kMembersTotal = 13 + 3000;

uint32_t RoundUp(uint32_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

// Builds out.exe in `temp` from the small archive with `options`; answers the
// image's path.
std::string BuildImage(const TempFolder &temp, const std::string &stub, const std::string &options = "") {
    WriteStoredZip(temp / "in.zip", kMembers);
    std::string image = temp / "out.exe";
    CommandResult built = Mksfx("--stub " + Quote(stub) + " " + options + " " + Quote(temp / "in.zip") + " -o " +
                                Quote(image));
    EXPECT_EQ(built.status, 0) << built.err;
    return image;
}

// The stub checksum computed here with zlib, independently of the builder.
uint32_t ExpectedStubCrc(const ImageView &view, bool skipHeaders) {
    std::vector<uint8_t> copy(view.bytes.begin(), view.bytes.begin() + view.Field(kArchiveOffsetOffset));
    memset(copy.data() + view.record + kStubCrcOffset, 0, 4);
    size_t start = skipHeaders ? view.lfanew + kPeHeadersSize : 0;
    return (uint32_t)crc32(0, copy.data() + start, (uInt)(copy.size() - start));
}

struct StubShape {
    const char *name;
    uint32_t fileAlignment;     // 0: the cross-compiled stand-in stub
    uint32_t sectionAlignment;
    unsigned sections;
};

const StubShape kStubShapes[] = {
    {"cross_compiled", 0, 0, 0},
    {"small_alignment", 0x200, 0x1000, 2},
    {"page_alignment", 0x1000, 0x1000, 3},
    {"wide_sections", 0x200, 0x2000, 4},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const StubShape &c, std::ostream *out) {
    *out << c.name;
}

class ImageLayout : public testing::TestWithParam<StubShape> {};

TEST_P(ImageLayout, AppendsOneSectionAndFillsTheRecord) {
    const StubShape &shape = GetParam();
    TempFolder temp;
    std::string stubPath = temp / "stub.exe";
    if (shape.fileAlignment == 0) {
        REQUIRE_STUB();
        stubPath = TestStub();
    } else {
        WriteBytes(stubPath, SyntheticStub(shape.fileAlignment, shape.sectionAlignment, shape.sections, 0x400));
    }
    std::vector<uint8_t> stub = ReadBytes(stubPath);
    ImageView before;
    before.bytes = stub;
    before.lfanew = ReadLe32(stub.data() + kDosLfanewOffset);
    uint16_t stubSections = ReadLe16(stub.data() + before.lfanew + kPeNumberOfSections);
    uint32_t fileAlignment = before.Pe(kPeFileAlignment), sectionAlignment = before.Pe(kPeSectionAlignment);
    uint32_t endOfVirtual = 0;
    for (unsigned i = 0; i < stubSections; i++) {
        const uint8_t *entry = stub.data() + before.lfanew + kPeHeadersSize + i * kSectionEntrySize;
        endOfVirtual = std::max(endOfVirtual, ReadLe32(entry + kSectionVirtualAddress) + ReadLe32(entry + kSectionVirtualSize));
    }

    ImageView view = ViewImage(BuildImage(temp, stubPath, "--folder 'C:\\Target' --info about"));
    ASSERT_GT(view.record, 0u);
    // The section table entry and the header fields that count sections.
    EXPECT_EQ(view.sections, stubSections + 1);
    EXPECT_EQ(memcmp(view.bytes.data() + view.lastSection, "_tarvex_", 8), 0);
    EXPECT_EQ(view.Last(kSectionCharacteristics), 0x42000040u);
    uint32_t start = view.Last(kSectionPointerToRawData), rawSize = view.Last(kSectionSizeOfRawData);
    EXPECT_EQ(start, RoundUp((uint32_t)stub.size(), fileAlignment));
    EXPECT_EQ(rawSize % fileAlignment, 0u);
    EXPECT_EQ(start + rawSize, view.bytes.size());
    EXPECT_EQ(view.Last(kSectionVirtualSize), RoundUp(rawSize, sectionAlignment));
    EXPECT_EQ(view.Last(kSectionVirtualAddress), RoundUp(endOfVirtual, sectionAlignment));
    EXPECT_EQ(view.Pe(kPeSizeOfImage), view.Last(kSectionVirtualAddress) + view.Last(kSectionVirtualSize));
    EXPECT_EQ(view.Pe(kPeSizeOfInitializedData), before.Pe(kPeSizeOfInitializedData) + rawSize);

    // The record: where things are, and every other field.
    const char kTextBlock[] = "C:\\Target\0\0\0\0about";
    EXPECT_EQ(view.Field(kTextBlockOffsetOffset), start);
    EXPECT_EQ(memcmp(view.bytes.data() + start, kTextBlock, sizeof kTextBlock), 0);
    uint32_t archiveOffset = view.Field(kArchiveOffsetOffset);
    EXPECT_EQ(archiveOffset, start + sizeof kTextBlock);
    EXPECT_EQ(ReadLe32(view.bytes.data() + archiveOffset), (uint32_t)kLocalSignature);
    uint32_t endRecord = view.Field(kEndRecordOffsetOffset);
    EXPECT_EQ(ReadLe32(view.bytes.data() + endRecord), (uint32_t)kEndSignature);
    EXPECT_TRUE(std::all_of(view.bytes.begin() + endRecord + kEndRecordSize, view.bytes.end(),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(view.Field(kTotalSizeOffset), kMembersTotal);
    EXPECT_EQ(view.Field(kFlagsOffset), (uint32_t)kFlagCrcSkipsHeaders);
    EXPECT_EQ(ReadLe16(view.bytes.data() + view.record + kCompleteOffset), 0xFFFF);
    EXPECT_EQ(view.Field(kReserved2Offset), 8u);
    EXPECT_EQ(view.Field(kEntryPointOffset), view.Pe(kPeAddressOfEntryPoint));
    EXPECT_EQ(view.Field(kStubCrcOffset), ExpectedStubCrc(view, true));

    // Nothing else of the stub changed.
    std::vector<uint8_t> changed(view.bytes.begin(), view.bytes.begin() + stub.size());
    std::vector<uint8_t> original = stub;
    for (std::vector<uint8_t> *bytes : {&changed, &original}) {
        memset(bytes->data() + view.record + kMarkerSize, 0, kConfigRecordSize - kMarkerSize);
        memset(bytes->data() + view.lastSection, 0, kSectionEntrySize);
        for (int field : {kPeNumberOfSections, kPeSizeOfImage, kPeSizeOfInitializedData, kPeCheckSum})
            memset(bytes->data() + view.lfanew + field, 0, field == kPeNumberOfSections ? 2 : 4);
    }
    EXPECT_EQ(changed, original);
    EXPECT_EQ(Mksfx("info " + Quote(temp / "out.exe")).status, 0);
}

INSTANTIATE_TEST_SUITE_P(Stubs, ImageLayout, testing::ValuesIn(kStubShapes),
                         [](const testing::TestParamInfo<StubShape> &info) { return std::string(info.param.name); });

// Each option lands in its flag bits and TextBlock string.
TEST(ImageOptions, SetFlagsAndStrings) {
    REQUIRE_STUB();
    const struct {
        const char *options;
        uint32_t flags;
        const char *textBlock;       // the five strings, NULs written as |
    } cases[] = {
        {"", kFlagCrcSkipsHeaders, "||||"},
        {"--crc-whole-stub", 0, "||||"},
        {"--overwrite --auto", kFlagCrcSkipsHeaders | kFlagOverwriteDefault | kFlagAutoMode, "||||"},
        {"--title Setup --title-in-window", kFlagCrcSkipsHeaders | kFlagHasTitle | kFlagTitleInWindow, "|||Setup|"},
        {"--install-verb --encrypted", kFlagCrcSkipsHeaders | kFlagInstallVerb | kFlagEncrypted, "||||"},
        {"--prompt Go? --prompt-buttons yesno", kFlagCrcSkipsHeaders | kFlagPromptButtons, "||Go?||"},
        {"--prompt Go? --prompt-buttons okcancel", kFlagCrcSkipsHeaders | kFlagPromptButtons | kFlagPromptOkCancel,
         "||Go?||"},
        {"--prompt-buttons okcancel --prompt-buttons ok", kFlagCrcSkipsHeaders, "||||"},
        {"--folder 'D:\\Out' --info 'two words'", kFlagCrcSkipsHeaders, "D:\\Out||||two words"},
        // The after-unzip command and its arguments in the second string.
        {"--run setup.bat --run-args '/q x'", kFlagCrcSkipsHeaders | kFlagRunCommand, "|setup.bat\n/q x|||"},
        {"--run 'C:\\Tools\\go.exe'", kFlagCrcSkipsHeaders | kFlagRunCommand, "|C:\\Tools\\go.exe|||"},
        // Texts beyond ASCII are stored as given, UTF-8, and the image says so.
        {"--title 'Démo 日本' --folder 'C:\\Démo\\日本'", kFlagCrcSkipsHeaders | kFlagHasTitle | kFlagUtf8Text,
         "C:\\Démo\\日本|||Démo 日本|"},
        {"--run 'C:\\Демо\\go.exe' --run-args 'ключ'", kFlagCrcSkipsHeaders | kFlagRunCommand | kFlagUtf8Text,
         "|C:\\Демо\\go.exe\nключ|||"},
    };
    for (const auto &c : cases) {
        TempFolder temp;
        ImageView view = ViewImage(BuildImage(temp, TestStub(), c.options));
        EXPECT_EQ(view.Field(kFlagsOffset), c.flags) << c.options;
        std::string expected = c.textBlock;
        std::replace(expected.begin(), expected.end(), '|', '\0');
        expected += '\0';
        uint32_t block = view.Field(kTextBlockOffsetOffset);
        EXPECT_EQ(view.Field(kArchiveOffsetOffset) - block, expected.size()) << c.options;
        EXPECT_EQ(std::string(view.bytes.begin() + block, view.bytes.begin() + block + expected.size()), expected)
            << c.options;
        EXPECT_EQ(view.Field(kStubCrcOffset), ExpectedStubCrc(view, c.flags & kFlagCrcSkipsHeaders)) << c.options;
        CommandResult info = Mksfx("info " + Quote(temp / "out.exe"));
        EXPECT_EQ(info.status, 0) << c.options << info.out << info.err;
    }
}

// info shows UTF-8 texts with their characters, and says how the stub
// reads them.
TEST(ImageOptions, InfoShowsUtf8Texts) {
    REQUIRE_STUB();
    TempFolder temp;
    BuildImage(temp, TestStub(), "--title 'Démo 日本' --info 'Привет мир' --run 'C:\\Демо\\go.exe'");
    CommandResult info = Mksfx("info " + Quote(temp / "out.exe"));
    EXPECT_EQ(info.status, 0) << info.err;
    for (const char *line : {"TextBlock (", " bytes, UTF-8):", "  title    \"Démo 日本\"",
                             "  info     \"Привет мир\"", "open \"C:\\\\Демо\\\\go.exe\"", " Utf8Text"})
        EXPECT_NE(info.out.find(line), std::string::npos) << line << "\n" << info.out;
}

// The options that switch a start-up test off, and --incomplete, which info
// reports as the reason the stub would not start.
TEST(ImageOptions, SwitchTestsOff) {
    REQUIRE_STUB();
    TempFolder temp;
    ImageView plain = ViewImage(BuildImage(temp, TestStub(), "--no-stub-crc --no-end-record-test"));
    EXPECT_EQ(plain.Field(kStubCrcOffset), 0u);
    EXPECT_EQ(plain.Field(kEndRecordOffsetOffset), 0u);
    EXPECT_EQ(Mksfx("info " + Quote(temp / "out.exe")).status, 0);

    ImageView bare = ViewImage(BuildImage(temp, TestStub(), "--no-text-block"));
    EXPECT_EQ(bare.Field(kTextBlockOffsetOffset), 0u);
    EXPECT_EQ(bare.Field(kArchiveOffsetOffset), bare.Last(kSectionPointerToRawData));
    EXPECT_EQ(Mksfx("info " + Quote(temp / "out.exe")).status, 0);

    ImageView incomplete = ViewImage(BuildImage(temp, TestStub(), "--incomplete"));
    EXPECT_EQ(ReadLe16(incomplete.bytes.data() + incomplete.record + kCompleteOffset), 0);
    CommandResult info = Mksfx("info " + Quote(temp / "out.exe"));
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.err.find("incomplete"), std::string::npos) << info.err;
}

// Which bytes the stub checksum covers: with CrcSkipsHeaders everything from
// the section table to ArchiveOffset, without it everything before
// ArchiveOffset; never the archive.
TEST(StubChecksum, CoversWhatTheFlagSays) {
    REQUIRE_STUB();
    enum Place { kInDosStub, kInPeCheckSum, kInSectionTable, kInStubData, kInTextBlock, kInArchive };
    const struct {
        const char *options;
        Place place;
        bool stillMatches;
    } cases[] = {
        {"", kInDosStub, true},           {"", kInPeCheckSum, true},        {"", kInSectionTable, false},
        {"", kInStubData, false},         {"", kInTextBlock, false},        {"", kInArchive, true},
        {"--crc-whole-stub", kInDosStub, false}, {"--crc-whole-stub", kInPeCheckSum, false},
        {"--crc-whole-stub", kInArchive, true},
    };
    for (const auto &c : cases) {
        TempFolder temp;
        std::string image = BuildImage(temp, TestStub(), std::string(c.options) + " --folder X");
        ImageView view = ViewImage(image);
        size_t offsets[] = {0x50, view.lfanew + (size_t)kPeCheckSum, view.lastSection + 1,
                            ReadLe32(view.bytes.data() + view.lfanew + kPeHeadersSize + kSectionPointerToRawData) + 1,
                            view.Field(kTextBlockOffsetOffset), view.Field(kArchiveOffsetOffset) + 40};
        view.bytes[offsets[c.place]] ^= 0x5A;
        WriteBytes(image, view.bytes);
        CommandResult info = Mksfx("info " + Quote(image));
        size_t line = info.out.find("stub checksum");
        ASSERT_NE(line, std::string::npos) << c.options << " place " << c.place << "\n" << info.out << info.err;
        std::string verdict = info.out.substr(line, info.out.find('\n', line) - line);
        EXPECT_EQ(verdict.find(" matches") != std::string::npos, c.stillMatches)
            << c.options << " place " << c.place << ": " << verdict;
    }
}

// Every image carries the right PE CheckSum, checked by 7-Zip, or 0 where
// the stub checksum covers the headers and the two would change each other.
TEST(PeChecksum, IsRightOrZero) {
    REQUIRE_STUB();
    REQUIRE_TOOL("7z");
    const struct {
        const char *options;
        bool zero;
    } cases[] = {{"", false}, {"--crc-whole-stub --no-stub-crc", false}, {"--crc-whole-stub", true}};
    for (const auto &c : cases) {
        TempFolder temp;
        std::string image = BuildImage(temp, TestStub(), c.options);
        ImageView view = ViewImage(image);
        uint32_t field = ReadLe32(view.bytes.data() + view.lfanew + kPeCheckSum);
        EXPECT_EQ(field == 0, c.zero) << c.options;
        CommandResult tested = Shell("7z t " + Quote(image));
        EXPECT_EQ(tested.status, 0) << c.options << tested.out;
        EXPECT_EQ(tested.out.find("Checksum error"), std::string::npos) << c.options << tested.out;
        EXPECT_NE(tested.out.find("Checksum = " + std::to_string(field)), std::string::npos) << c.options << tested.out;
    }
}

// Signing the finished image adds a certificate after the archive and
// changes header fields; with the default checksum start the image still
// passes every check. A signed stub has its certificate removed.
TEST(Signing, KeepsTheImageValidByDefault) {
    REQUIRE_STUB();
    REQUIRE_TOOL("osslsigncode");
    REQUIRE_TOOL("openssl");
    TempFolder temp;
    ASSERT_EQ(Shell("openssl req -x509 -newkey rsa:2048 -nodes -keyout " + Quote(temp / "key.pem") + " -out " +
                  Quote(temp / "cert.pem") + " -days 2 -subj /CN=Test")
                  .status,
              0);
    auto sign = [&](const std::string &in, const std::string &out) {
        std::filesystem::remove(out);
        return Shell("osslsigncode sign -certs " + Quote(temp / "cert.pem") + " -key " + Quote(temp / "key.pem") +
                   " -in " + Quote(in) + " -out " + Quote(out))
            .status;
    };
    const struct {
        const char *options;
        int infoStatus;
    } cases[] = {{"", 0}, {"--crc-whole-stub", 1}};
    for (const auto &c : cases) {
        std::string image = BuildImage(temp, TestStub(), c.options);
        ASSERT_EQ(sign(image, temp / "signed.exe"), 0);
        ImageView signedView = ViewImage(temp / "signed.exe");
        EXPECT_GT(signedView.Pe(kPeCertificateDirectory), 0u);
        CommandResult info = Mksfx("info " + Quote(temp / "signed.exe"));
        EXPECT_EQ(info.status, c.infoStatus) << c.options << info.out << info.err;
        CommandResult tested = Shell("unzip -t " + Quote(temp / "signed.exe"));
        EXPECT_EQ(tested.status, 0) << tested.out << tested.err;
    }

    ASSERT_EQ(sign(TestStub(), temp / "signed_stub.exe"), 0);
    WriteStoredZip(temp / "in.zip", kMembers);
    CommandResult built = Mksfx("--stub " + Quote(temp / "signed_stub.exe") + " " + Quote(temp / "in.zip") + " -o " +
                                Quote(temp / "from_signed.exe"));
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_NE(built.err.find("removed the stub's certificate table"), std::string::npos) << built.err;
    EXPECT_EQ(ViewImage(temp / "from_signed.exe").Pe(kPeCertificateDirectory), 0u);
    EXPECT_EQ(Mksfx("info " + Quote(temp / "from_signed.exe")).status, 0);
}

// Damaged images: info names the first check that fails, in words; a
// damaged member or record ends the stub's own pass with its own message.
TEST(ImageInfo, ReportsWhyTheStubWouldNotStart) {
    REQUIRE_STUB();
    const struct {
        const char *options;
        void (*damage)(ImageView &view);
        const char *reason;
    } cases[] = {
        {"", [](ImageView &v) { v.bytes[v.record + kStubCrcOffset] ^= 1; }, "differs from the recorded one"},
        {"", [](ImageView &v) { v.bytes[v.record + 3] = 'x'; }, "holds no configuration record"},
        {"--no-stub-crc", [](ImageView &v) { v.bytes[v.record + kEndRecordOffsetOffset] += 1; },
         "no end record where the record says"},
        {"--no-stub-crc", [](ImageView &v) { v.bytes[v.record + kEntryPointOffset] += 1; }, "differs from the program header's"},
        {"--no-stub-crc", [](ImageView &v) { WriteLe16(v.bytes.data() + v.record + kCompleteOffset, 0); }, "incomplete"},
        {"--no-stub-crc", [](ImageView &v) { WriteLe32(v.bytes.data() + v.record + kTextBlockOffsetOffset, 0x200); },
         "text block takes"},
        // The data of folder/a.txt, behind two local headers and their names.
        {"", [](ImageView &v) { v.bytes[v.Field(kArchiveOffsetOffset) + 30 + 7 + 30 + 12 + 1] ^= 1; }, "stops at member 'folder/a.txt' with \"ZIP damaged: file D:\\folder\\a.txt: Bad CRC"},
        {"", [](ImageView &v) {
             uint32_t directory = ReadLe32(v.bytes.data() + v.Field(kEndRecordOffsetOffset) + kEndDirectoryOffset);
             v.bytes[directory + 2] = 9;
         },
         "with \"Invalid ZIP header."},
    };
    for (const auto &c : cases) {
        TempFolder temp;
        std::string image = BuildImage(temp, TestStub(), c.options);
        ImageView view = ViewImage(image);
        c.damage(view);
        WriteBytes(image, view.bytes);
        CommandResult info = Mksfx("info " + Quote(image));
        EXPECT_EQ(info.status, 1) << c.reason << "\n" << info.out;
        EXPECT_EQ(info.err.rfind("mksfx: " + image + ": ", 0), 0u) << info.err;
        EXPECT_NE(info.err.find(c.reason), std::string::npos) << info.err;
    }
}

// A name of exactly 200 bytes is the longest the stub takes.
TEST(ImageInfo, AcceptsANameOf200Bytes) {
    REQUIRE_STUB();
    TempFolder temp;
    std::string name = std::string(150, 'd') + "/" + std::string(49, 'f');
    WriteStoredZip(temp / "in.zip", {{name, "content"}});
    ASSERT_EQ(Mksfx("--stub " + Quote(TestStub()) + " " + Quote(temp / "in.zip") + " -o " + Quote(temp / "out.exe")).status, 0);
    CommandResult info = Mksfx("info " + Quote(temp / "out.exe"));
    EXPECT_EQ(info.status, 0) << info.out << info.err;
    EXPECT_NE(info.out.find(name), std::string::npos);
    EXPECT_EQ(Shell("unzip -t " + Quote(temp / "out.exe")).status, 0);
}

}  // namespace

namespace {

// The stub of the win32 build, which mksfx takes by default from the build
// tree beside its own: it must stay buildable (one marker, room for a
// section) and its images must pass every check.
TEST(DefaultStub, BuildsAnImageThatPassesEveryCheck) {
    std::string mksfx = MKSFX_PATH;
    std::string stub = mksfx.substr(0, mksfx.rfind('/')) + "/../win32/sfxstub.exe";
    if (!std::filesystem::exists(stub))
        SKIP_UNLESS_CI("no win32 build beside the host build");
    TempFolder temp;
    std::string source = SourceTreeIn(temp);
    CommandResult built = Mksfx(Quote(source) + " -o " + Quote(temp / "out.exe") + " --overwrite");
    ASSERT_EQ(built.status, 0) << built.err;
    CommandResult info = Mksfx("info " + Quote(temp / "out.exe"));
    EXPECT_EQ(info.status, 0) << info.out << info.err;
    EXPECT_EQ(ViewImage(temp / "out.exe").Field(kEntryPointOffset), ViewImage(stub).Pe(kPeAddressOfEntryPoint));
}

}  // namespace
