// The image operations of start-up on hand-made images: signatures, the stub
// checksum, the TextBlock, the end record and the entry point, with the
// damage each one must notice and the changes it must let pass.
#include <gtest/gtest.h>
#include <string.h>

#include <functional>

#include "base/byte_order.h"
#include "base/crc32.h"
#include "base/error_exit.h"
#include "image/byte_compare.h"
#include "image/image_checks.h"
#include "tests/support/image_fixture.h"
#include "tests/support/test_support.h"

using namespace testsupport;

namespace {


enum Outcome { kPasses, kHeaderCorrupt, kDamaged };

const char *OutcomeName(Outcome o) {
    return o == kPasses ? "passes" : o == kHeaderCorrupt ? "header corrupt" : "damaged";
}

class ImageChecks : public ::testing::Test {
protected:
    void SetUp() override { root = FreshMachine("image"); }
    void TearDown() override {
        if (ctx.startupPrompt)
            LocalFree(ctx.startupPrompt);
        ReleaseMachine(root);
    }

    TestImage Make(const TestImageShape &shape) { return MakeTestImage(shape, root); }

    // The image operations in start-up's order, under a guard, as start-up
    // runs them; answers what the user saw.
    Outcome RunChecks(const TestImage &image, const std::string &path = kTestImagePath) {
        InstallTestImage(image, path);
        if (ctx.archiveFile > 0)
            _lclose(ctx.archiveFile);
        ctx.archiveFile = 0;
        hostsim::Sim().transcript.clear();
        int code = GuardedCall([] {
            SetUpSignatures();
            OpenImage();
            if (configRecord.StubCrc != 0)
                TestStubChecksum(configRecord.ArchiveOffset, configRecord.StubCrc, configRecord.Marker);
            ReadTextBlock();
            TestEndRecord();
        });
        return Seen(code);
    }

    Outcome Seen(int code) {
        const auto &boxes = hostsim::Sim().transcript;
        if (code == kGuardDone && boxes.empty())
            return kPasses;
        EXPECT_EQ(code, kGuardFailed);
        EXPECT_EQ(boxes.size(), 1u);
        if (boxes.empty())
            return kPasses;
        EXPECT_EQ(boxes[0].caption, "Tarvex Self-Extractor");
        EXPECT_EQ(boxes[0].style, (UINT)MB_ICONERROR);
        EXPECT_EQ(boxes[0].owner, nullptr);
        if (boxes[0].text == kHeaderCorruptText)
            return kHeaderCorrupt;
        EXPECT_EQ(boxes[0].text, kDamagedText);
        return kDamaged;
    }

    std::string root;
};

TEST(ByteCompare, AnswersZeroForEqualPrefixesAndStopsAtTheFirstDifference) {
    struct Case {
        const char *a, *b;
        uint32_t n;
        int expected;
    } cases[] = {
        {"abc", "abc", 3, 0}, {"abc", "abd", 3, 1}, {"abc", "abd", 2, 0},
        {"x", "y", 0, 0},     {"Abc", "abc", 3, 1}, {"-in", "-info", 5, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        // Exact-size copies: a read past either terminator would leave them.
        std::vector<char> a(c.a, c.a + strlen(c.a) + 1), b(c.b, c.b + strlen(c.b) + 1);
        EXPECT_EQ(ByteCompare(a.data(), b.data(), c.n), c.expected);
    }
}

TEST_F(ImageChecks, SignaturesAreAssembledAtRunTime) {
    SetUpSignatures();
    EXPECT_EQ(std::string(ctx.localSignature, 5), std::string("PK\x03\x04\0", 5));
    EXPECT_EQ(std::string(ctx.centralSignature, 5), std::string("PK\x01\x02\0", 5));
    EXPECT_EQ(std::string(ctx.endSignature, 5), std::string("PK\x05\x06\0", 5));
    EXPECT_EQ(std::string(ctx.singleVolumeMarker, 5), std::string("PK00\0", 5));
    EXPECT_EQ(std::string(ctx.spanningSignature, 5), std::string("PK\x07\x08\0", 5));
}

TEST_F(ImageChecks, StubChecksumCoversTheStubAndTextBlockButNotTheArchive) {
    const size_t table = kTestLfanew + kPeHeadersSize;
    struct Case {
        const char *name;
        uint32_t flags;
        bool checksum;
        std::function<size_t(const TestImage &)> byte;   // the byte to change
        Outcome expected;
    } cases[] = {
        {"intact", 0, true, nullptr, kPasses},
        {"intact, headers skipped", kFlagCrcSkipsHeaders, true, nullptr, kPasses},
        {"code byte, no checksum", 0, false, [](const TestImage &) { return kTestCodeOffset + 5; }, kPasses},
        {"code byte", 0, true, [](const TestImage &) { return kTestCodeOffset + 5; }, kHeaderCorrupt},
        {"DOS stub text", 0, true, [](const TestImage &) { return 0x44; }, kHeaderCorrupt},
        {"DOS stub text, headers skipped", kFlagCrcSkipsHeaders, true, [](const TestImage &) { return 0x44; },
         kPasses},
        {"optional header checksum, headers skipped", kFlagCrcSkipsHeaders, true,
         [](const TestImage &) { return kTestLfanew + 88; }, kPasses},
        {"last PE header byte, headers skipped", kFlagCrcSkipsHeaders, true,
         [=](const TestImage &) { return table - 1; }, kPasses},
        {"first section table byte, headers skipped", kFlagCrcSkipsHeaders, true,
         [=](const TestImage &) { return table; }, kHeaderCorrupt},
        {"appended section entry, headers skipped", kFlagCrcSkipsHeaders, true,
         [=](const TestImage &) { return table + kSectionEntrySize + 3; }, kHeaderCorrupt},
        {"TotalSize in the record", 0, true, [](const TestImage &) { return kTestRecordOffset + kTotalSizeOffset; },
         kHeaderCorrupt},
        {"TextBlock byte", kFlagCrcSkipsHeaders, true, [](const TestImage &i) { return i.zipOffset - 2; },
         kHeaderCorrupt},
        {"archive member data", 0, true, [](const TestImage &i) { return i.zipOffset + 40; }, kPasses},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestImageShape shape;
        shape.flags = c.flags;
        shape.withChecksum = c.checksum;
        TestImage image = Make(shape);
        if (c.byte)
            image.bytes[c.byte(image)] ^= 0x01;
        EXPECT_STREQ(OutcomeName(RunChecks(image)), OutcomeName(c.expected));
    }
}

// Where the covered bytes end relative to the marker, and which marker is
// the first in the file.
TEST_F(ImageChecks, StubChecksumTakesTheFirstMarkerThatLiesWhollyInside) {
    TestImage base = Make(TestImageShape());
    std::string marker(CONFIG_MARKER_BYTES, kMarkerSize);
    struct Case {
        const char *name;
        uint32_t n;              // ArchiveOffset as the checksum test is given it
        size_t zeroFrom, zeroTo; // bytes counted as zero
        Outcome expected;
    } cases[] = {
        {"marker ends at the last byte", kTestRecordOffset + 8, 0, 0, kPasses},
        {"half the CRC field inside", kTestRecordOffset + 10, kTestRecordOffset + 8, kTestRecordOffset + 10,
         kPasses},
        {"marker one byte beyond", kTestRecordOffset + 7, 0, 0, kHeaderCorrupt},
        {"nothing covered", 0, 0, 0, kHeaderCorrupt},
        {"more than the file", (uint32_t)base.bytes.size() + 1, 0, 0, kHeaderCorrupt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestImage image = base;
        std::string covered = image.bytes.substr(0, c.n);
        for (size_t i = c.zeroFrom; i < c.zeroTo; i++)
            covered[i] = 0;
        uint32_t crc = Crc32Of((const uint8_t *)covered.data(), covered.size());
        InstallTestImage(image, kTestImagePath);
        hostsim::Sim().transcript.clear();
        static uint32_t n, expected;
        n = c.n, expected = crc;
        int code = GuardedCall([] {
            OpenImage();
            TestStubChecksum(n, expected, configRecord.Marker);
        });
        EXPECT_STREQ(OutcomeName(Seen(code)), OutcomeName(c.expected));
        _lclose(ctx.archiveFile);
        ctx.archiveFile = 0;
    }

    // A second marker behind the record is ordinary data; one in front of it
    // takes the record's place, so the real StubCrc then counts as non-zero.
    for (bool inFront : {false, true}) {
        SCOPED_TRACE(inFront ? "second marker in front" : "second marker behind");
        TestImage image = Make(TestImageShape());
        size_t at = inFront ? kTestRecordOffset - 0x40 : kTestRecordOffset + 0x60;
        image.bytes.replace(at, kMarkerSize, marker);
        WriteLe32((uint8_t *)&image.bytes[at + kMarkerSize], 0xA5A5A5A5);
        SealTestImage(image);   // zeroes the field behind the record's own marker
        std::string covered = image.bytes.substr(0, image.record.ArchiveOffset);
        memset(&covered[kTestRecordOffset + kStubCrcOffset], 0, 4);
        image.record.StubCrc = Crc32Of((const uint8_t *)covered.data(), covered.size());
        memcpy(&image.bytes[kTestRecordOffset], &image.record, sizeof image.record);
        EXPECT_STREQ(OutcomeName(RunChecks(image)), OutcomeName(inFront ? kHeaderCorrupt : kPasses));
    }
}

TEST_F(ImageChecks, StubChecksumRefusesHeadersThatPointOutsideTheCoveredBytes) {
    for (uint32_t lfanew : {0x10000u, 0xFFFFFFF0u}) {
        SCOPED_TRACE(lfanew);
        TestImageShape shape;
        shape.flags = kFlagCrcSkipsHeaders;
        TestImage image = Make(shape);
        WriteLe32((uint8_t *)&image.bytes[kDosLfanewOffset], lfanew);
        EXPECT_STREQ(OutcomeName(RunChecks(image)), OutcomeName(kHeaderCorrupt));
    }
}

TEST_F(ImageChecks, MissingImageFileIsAHeaderCorruption) {
    TestImage image = Make(TestImageShape());
    InstallTestImage(image, kTestImagePath);
    UseImagePath("C:\\SETUP\\GONE.EXE");
    int code = GuardedCall(OpenImage);
    EXPECT_STREQ(OutcomeName(Seen(code)), OutcomeName(kHeaderCorrupt));
}

// The image opens by its wide path: a name the ANSI code page lacks starts
// as any other.
TEST_F(ImageChecks, ImageOpensByItsWidePath) {
    TestImage image = Make(TestImageShape());
    for (const std::string &path : {std::string(kTestImagePath), std::string("C:\\SETUP\\установка.exe")}) {
        SCOPED_TRACE(path);
        EXPECT_STREQ(OutcomeName(RunChecks(image, path)), OutcomeName(kPasses));
        EXPECT_EQ(TestEntryPoint(), 1);
    }
}

std::string Repeat(const std::string &text, int times) {
    std::string out;
    for (int i = 0; i < times; i++)
        out += text;
    return out;
}

// The capacities count characters as the stub holds them (UTF-16 units):
// with Utf8Text a text of multi-byte characters takes as many as it has,
// a character beyond U+FFFF two. Without the flag the block is text of the
// ANSI code page, read as before (here 1252).
TEST_F(ImageChecks, TextBlockFillsTheFieldsOrRefusesWhatDoesNotFit) {
    const std::string folder260(260, 'f'), prompt513(513, 'p'), title64(64, 't'), info511(511, 'i');
    const std::string japaneseTitle64 = Repeat("日", 64), folderE260 = Repeat("é", 260);
    const std::string emojiTitle64 = Repeat("\xF0\x9F\x98\x80", 32);
    const uint32_t utf8 = kFlagUtf8Text | kFlagHasTitle;
    struct Case {
        const char *name;
        uint32_t flags;
        std::vector<std::string> strings;
        Outcome expected;
        std::string folder = "";
        const char *prompt = nullptr;   // null: none
        std::string title = "", info = "";
    } cases[] = {
        {"all five", kFlagHasTitle, {"C:\\Out", "skipped", "Go on?", "My Setup", "-win32"}, kPasses,
         "C:\\Out", "Go on?", "My Setup", "-win32"},
        {"title without HasTitle", 0, {"C:\\Out", "", "Go on?", "My Setup", "-win32"}, kPasses, "C:\\Out",
         "Go on?", "", "-win32"},
        {"empty prompt", kFlagHasTitle, {"", "", "", "T", ""}, kPasses, "", nullptr, "T", ""},
        {"folder, prompt and title at their capacity", kFlagHasTitle, {folder260, "", prompt513, title64, ""},
         kPasses, folder260, prompt513.c_str(), title64, ""},
        {"info at its capacity", 0, {"", "", "", "", info511}, kPasses, "", nullptr, "", info511},
        {"long title skipped without HasTitle", 0, {"", "", "", title64 + "t", ""}, kPasses, "", nullptr, "", ""},
        {"folder too long", 0, {folder260 + "f", "", "", "", ""}, kHeaderCorrupt},
        {"prompt too long", 0, {"", "", prompt513 + "p", "", ""}, kHeaderCorrupt},
        {"title too long", kFlagHasTitle, {"", "", "", title64 + "t", ""}, kHeaderCorrupt},
        {"info too long", 0, {"", "", "", "", info511 + "i"}, kHeaderCorrupt},
        {"block longer than 1256 bytes", 0, {"", std::string(1252, 's'), "", "", ""}, kHeaderCorrupt},
        {"block of 1256 bytes", 0, {"", std::string(1251, 's'), "", "", ""}, kPasses, "", nullptr, "", ""},
        {"four strings", 0, {"a", "b", "c", "d"}, kHeaderCorrupt},
        {"UTF-8 texts", utf8, {"C:\\Démo\\日本", "", "Продолжить?", "Démo 日本", "ℹ info"}, kPasses,
         "C:\\Démo\\日本", "Продолжить?", "Démo 日本", "ℹ info"},
        {"the same bytes without the flag", kFlagHasTitle, {"", "", "", "Démo 日本", ""}, kPasses, "", nullptr,
         "D\xC3\x83\xC2\xA9mo \xC3\xA6\xE2\x80\x94\xC2\xA5\xC3\xA6\xC5\x93\xC2\xAC", ""},
        {"192 bytes, 64 characters", utf8, {"", "", "", japaneseTitle64, ""}, kPasses, "", nullptr,
         japaneseTitle64, ""},
        {"65 characters of three bytes", utf8, {"", "", "", japaneseTitle64 + "日", ""}, kHeaderCorrupt},
        {"folder of 260 two-byte characters", utf8, {folderE260, "", "", "", ""}, kPasses, folderE260},
        {"261 of them", utf8, {folderE260 + "é", "", "", "", ""}, kHeaderCorrupt},
        {"32 characters beyond U+FFFF take 64", utf8, {"", "", "", emojiTitle64, ""}, kPasses, "", nullptr,
         emojiTitle64, ""},
        {"and one more is too many", utf8, {"", "", "", emojiTitle64 + "t", ""}, kHeaderCorrupt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestImageShape shape;
        shape.flags = c.flags;
        shape.strings = c.strings;
        TestImage image = Make(shape);
        memset(ctx.destinationFolder, 0, sizeof ctx.destinationFolder);
        memset(ctx.titleText, 0, kTitleTextSize * sizeof(WCHAR));
        memset(ctx.infoText, 0, kInfoTextSize * sizeof(WCHAR));
        if (ctx.startupPrompt)
            LocalFree(ctx.startupPrompt);
        ctx.startupPrompt = nullptr;
        ASSERT_STREQ(OutcomeName(RunChecks(image)), OutcomeName(c.expected));
        if (c.expected != kPasses)
            continue;
        EXPECT_EQ(testsupport::Utf8(ctx.destinationFolder), c.folder);
        EXPECT_EQ(ctx.startupPrompt == nullptr, c.prompt == nullptr);
        if (c.prompt) {
            EXPECT_EQ(testsupport::Utf8(ctx.startupPrompt), c.prompt);
        }
        EXPECT_EQ(testsupport::Utf8(ctx.titleText), c.title);
        EXPECT_EQ(testsupport::Utf8(ctx.infoText), c.info);
    }
}

TEST_F(ImageChecks, TextBlockOffsetsOutsideTheStubAreRefused) {
    struct Case {
        const char *name;
        bool withTextBlock;
        std::function<void(TestImage &)> change;
        Outcome expected;
    } cases[] = {
        {"no TextBlock", false, nullptr, kPasses},
        {"offset beyond ArchiveOffset", true,
         [](TestImage &i) { i.record.TextBlockOffset = i.record.ArchiveOffset + 1; }, kHeaderCorrupt},
        {"last string cut short", true, [](TestImage &i) { i.record.ArchiveOffset -= 1; }, kHeaderCorrupt},
        {"empty block", true, [](TestImage &i) { i.record.TextBlockOffset = i.record.ArchiveOffset; },
         kHeaderCorrupt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestImageShape shape;
        shape.withTextBlock = c.withTextBlock;
        shape.flags = kFlagHasTitle;
        shape.strings = {"C:\\Out", "", "Prompt", "Title", "Info"};
        TestImage image = Make(shape);
        if (c.change) {
            c.change(image);
            SealTestImage(image);
        }
        ASSERT_STREQ(OutcomeName(RunChecks(image)), OutcomeName(c.expected));
        if (c.expected == kPasses) {
            EXPECT_EQ(ctx.destinationFolder[0], 0);
            EXPECT_EQ(ctx.startupPrompt, nullptr);
            EXPECT_EQ(ctx.titleText[0], 0);
            EXPECT_EQ(ctx.infoText[0], 0);
        }
    }
}

TEST_F(ImageChecks, EndRecordMustLieAtItsOffsetUnlessSpannedOrUnset) {
    struct Case {
        const char *name;
        uint32_t flags;
        std::function<uint32_t(const TestImage &)> offset;
        Outcome expected;
    } cases[] = {
        {"at its place", 0, [](const TestImage &i) { return i.record.EndRecordOffset; }, kPasses},
        {"offset 0", 0, [](const TestImage &) { return 0u; }, kPasses},
        {"one byte off", 0, [](const TestImage &i) { return i.record.EndRecordOffset + 1; }, kDamaged},
        {"one byte off, spanned", kFlagSpanned, [](const TestImage &i) { return i.record.EndRecordOffset + 1; },
         kPasses},
        {"two bytes before the end of the file", 0, [](const TestImage &i) { return (uint32_t)i.bytes.size() - 2; },
         kDamaged},
        {"beyond the file", 0, [](const TestImage &i) { return (uint32_t)i.bytes.size() + 100; }, kDamaged},
        {"beyond the seekable range", 0, [](const TestImage &) { return 0xFFFFFFFFu; }, kDamaged},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestImageShape shape;
        shape.flags = c.flags;
        TestImage image = Make(shape);
        image.record.EndRecordOffset = c.offset(image);
        SealTestImage(image);
        EXPECT_STREQ(OutcomeName(RunChecks(image)), OutcomeName(c.expected));
    }
}

TEST_F(ImageChecks, EntryPointMustMatchTheRecord) {
    struct Case {
        const char *name;
        std::function<void(TestImage &)> change;
        int expected;
    } cases[] = {
        {"intact", nullptr, 1},
        {"record differs", [](TestImage &i) { i.record.EntryPoint += 0x10; }, 0},
        {"header differs", [](TestImage &i) { i.bytes[kTestLfanew + kEntryPointInPeHeaders + 1] ^= 1; }, 0},
        {"no MZ or PE signature needed", [](TestImage &i) { i.bytes[0] = i.bytes[kTestLfanew] = 'X'; }, 1},
        {"headers beyond the file", [](TestImage &i) { WriteLe32((uint8_t *)&i.bytes[kDosLfanewOffset], 0x7FFFFF00); },
         0},
        {"file shorter than the headers", [](TestImage &i) { i.bytes.resize(kTestLfanew + 100); }, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TestImage image = Make(TestImageShape());
        if (c.change)
            c.change(image);
        InstallTestImage(image, kTestImagePath);
        EXPECT_EQ(TestEntryPoint(), c.expected);
    }
    UseImagePath("C:\\SETUP\\GONE.EXE");
    EXPECT_EQ(TestEntryPoint(), 0);
}

}  // namespace
