// The archive walk over hand-made archives: record order, read errors,
// signatures, name lengths, descriptors and folder members.
#include <gtest/gtest.h>

#include <functional>

#include "archive/extra_fields.h"
#include "base/error_exit.h"
#include "image/config_record.h"
#include "tests/archive/archive_fixture.h"

using namespace archivetest;

namespace {

const char kReadErrorPrefix[] =
    "Error reading C:\\DL\\TEST.EXE.  Possible cause: bad disk or file transfer error. <";
const char kInvalidHeader[] = "Invalid ZIP header.  Possible cause: file transfer error.";
const char kNamesTooLong[] =
    "Zip contains filenames longer than are allowed by\nWindows. Tarvex Self-Extractor cannot process this\nZip file.";

std::string Text(size_t n, char seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++)
        s[i] = (char)(seed + i * 7 % 61);
    return s;
}

class WalkTest : public ExtractionTest {};

TEST_F(WalkTest, OnlyAnEndRecordExtractsNothing) {
    InstallImage(BuildZip({}, "a comment").bytes);
    EXPECT_EQ(Pass(), kGuardDone);
    EXPECT_EQ(ctx.filesExtracted, 0u);
    EXPECT_TRUE(ListTree(root_ + "/C/OUT").empty());
    EXPECT_EQ(BoxCount(), 0u);
}

TEST_F(WalkTest, StepsOverExtraFieldsCentralRecordsAndComments) {
    ZipMember a = Member("a.txt", Text(5000, 'a'));
    a.extra = std::string(37, 'x');
    ZipMember b = Member("sub/b.txt", Text(70000, 'b'), 8);
    b.extra = std::string(5, 'y');
    InstallImage(BuildZip({a, b}, "end comment").bytes, 333);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_TRUE(testsupport::ReadFile(root_ + "/C/OUT/a.txt") == a.data);
    EXPECT_TRUE(testsupport::ReadFile(root_ + "/C/OUT/sub/b.txt") == b.data);
    EXPECT_EQ(ctx.filesExtracted, 2u);
}

// Each cut ends the pass with the read error of the record it falls in.
struct CutCase {
    const char *label;
    std::function<size_t(const ZipLayout &)> cut;
    bool encrypted;
    int code;
};

void PrintTo(const CutCase &c, std::ostream *out) {
    *out << c.label;
}

class ReadErrorTest : public ExtractionTest, public ::testing::WithParamInterface<CutCase> {};

TEST_P(ReadErrorTest, ShortReadEndsThePassWithItsCode) {
    const CutCase &c = GetParam();
    ZipMember first = Member("first.txt", Text(3000, 'f'));
    ZipMember second = Member("second.txt", Text(10, 's'));
    if (c.encrypted) {
        first.flags = 1;
        first.payloadOverride = Text(12 + 3000, 'e');
        char *password = (char *)GlobalAlloc(GPTR, 8);
        lstrcpyA(password, "secret");
        ctx.passwordText = password;
    }
    ZipLayout layout = BuildZip({first, second}, "comment");
    InstallImage(layout.bytes.substr(0, c.cut(layout)));
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), kReadErrorPrefix + std::to_string(c.code) + ">");
    EXPECT_EQ(hostsim::Sim().transcript.back().style, (UINT)MB_ICONERROR);
    EXPECT_EQ(ctx.outputFile, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cuts, ReadErrorTest,
    ::testing::Values(
        CutCase{"insideFirstSignature", [](const ZipLayout &l) { return l.localStarts[0] + 2; }, false, 9},
        CutCase{"insideLocalHeader", [](const ZipLayout &l) { return l.localStarts[0] + 17; }, false, 4},
        CutCase{"insideName", [](const ZipLayout &l) { return l.nameStarts[0] + 3; }, false, 1},
        CutCase{"insideMemberData", [](const ZipLayout &l) { return l.dataStarts[0] + 2500; }, false, 2},
        CutCase{"rightAfterMemberData", [](const ZipLayout &l) { return l.localStarts[1]; }, false, 9},
        CutCase{"insideEncryptionHeader", [](const ZipLayout &l) { return l.dataStarts[0] + 5; }, true, 14},
        CutCase{"insideCentralRecord", [](const ZipLayout &l) { return l.centralStarts[0] + 30; }, false, 6},
        CutCase{"insideCentralName", [](const ZipLayout &l) { return l.centralStarts[0] + 47; }, false, 1},
        CutCase{"insideEndSignature", [](const ZipLayout &l) { return l.endStart + 3; }, false, 9},
        CutCase{"insideEndRecord", [](const ZipLayout &l) { return l.endStart + 12; }, false, 7}),
    [](const ::testing::TestParamInfo<CutCase> &info) { return std::string(info.param.label); });

// What stands before the first local header decides the outcome.
struct SignatureCase {
    const char *label;
    std::string lead;
    const char *box;   // null: the member is extracted
};

void PrintTo(const SignatureCase &c, std::ostream *out) {
    *out << c.label;
}

class SignatureTest : public ExtractionTest, public ::testing::WithParamInterface<SignatureCase> {};

TEST_P(SignatureTest, LeadingRecord) {
    const SignatureCase &c = GetParam();
    ZipMember a = Member("a.txt", "alpha");
    InstallImage(c.lead + BuildZip({a}).bytes);
    if (c.box) {
        EXPECT_EQ(Pass(), kGuardFailed);
        EXPECT_EQ(LastBox(), c.box);
        EXPECT_FALSE(Exists(root_ + "/C/OUT/a.txt"));
    } else {
        EXPECT_EQ(Pass(), kGuardDone) << LastBox();
        EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/a.txt"), "alpha");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Leads, SignatureTest,
    ::testing::Values(SignatureCase{"singleVolumeMarker", "PK00", nullptr},
                      SignatureCase{"spanningSignatureNotSpanned", std::string("PK\x07\x08", 4), kInvalidHeader},
                      SignatureCase{"unknown", "ABCD", kInvalidHeader},
                      SignatureCase{"zip64EndRecord", std::string("PK\x06\x06", 4) + std::string(52, '\0'),
                                    kInvalidHeader}),
    [](const ::testing::TestParamInfo<SignatureCase> &info) { return std::string(info.param.label); });

// The local extra field is kept for look-up as far as it fits, and the
// archive goes on where the field ends, whatever it holds.
struct ExtraCase {
    const char *label;
    std::string extra;
    int foundSize;   // the size FindExtraField gives for 0x7075 in the kept field; -1 none
};

void PrintTo(const ExtraCase &c, std::ostream *out) {
    *out << c.label;
}

class LocalExtraTest : public ExtractionTest, public ::testing::WithParamInterface<ExtraCase> {};

TEST_P(LocalExtraTest, KeptFieldsAndTheNextRecord) {
    const ExtraCase &c = GetParam();
    ZipMember first = Member("first.txt", Text(300, 'f'));
    first.extra = c.extra;
    ZipMember last = Member("last.txt", "last");
    last.extra = c.extra;
    InstallImage(BuildZip({first, last}, "comment").bytes);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_TRUE(testsupport::ReadFile(root_ + "/C/OUT/first.txt") == first.data);
    EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/last.txt"), "last");
    uint16_t size = 0xEEEE;
    const uint8_t *body = FindExtraField(ctx.localExtra, ctx.localExtraLength, 0x7075, &size);
    if (c.foundSize < 0) {
        EXPECT_EQ(body, nullptr);
    } else {
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(size, c.foundSize);
        EXPECT_EQ(body + size, ctx.localExtra + c.extra.size()) << "the field is the last one";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, LocalExtraTest,
    ::testing::Values(
        ExtraCase{"none", "", -1}, ExtraCase{"only", ExtraField(0x7075, "\x01" "abcdXYZ"), 8},
        ExtraCase{"afterOthers", ExtraField(0x5455, "\x01\x01\x02\x03\x04") + ExtraField(0x000A, std::string(32, 'n')) +
                                     ExtraField(0x7075, "\x01" "abcd"),
                  5},
        ExtraCase{"emptyBody", ExtraField(0x7075, ""), 0},
        ExtraCase{"runsPastTheEnd", ExtraField(0x7075, "0123456789", 20), -1},
        ExtraCase{"fieldAfterOneRunningPast", ExtraField(0x5455, "12", 9) + ExtraField(0x7075, "abc"), -1},
        ExtraCase{"cutHeader", ExtraField(0x5455, "12345") + "\x75\x70", -1},
        ExtraCase{"endsAtTheCapacity", ExtraField(0x9999, std::string(1016, 'p')) + ExtraField(0x7075, ""), 0},
        ExtraCase{"beyondTheCapacity", ExtraField(0x9999, std::string(1017, 'p')) + ExtraField(0x7075, ""), -1},
        ExtraCase{"longPadding", ExtraField(0xD935, std::string(60000, 0)) + ExtraField(0x7075, "u"), -1}),
    [](const ::testing::TestParamInfo<ExtraCase> &info) { return std::string(info.param.label); });

// The cut extra field is not an error of its own: as when it is stepped over,
// the member's data is the first read to come short.
TEST_F(WalkTest, ArchiveEndingInsideAnExtraFieldFailsAtTheData) {
    ZipMember a = Member("a.txt", "alpha");
    a.extra = ExtraField(0x5455, std::string(40, 't'));
    ZipLayout layout = BuildZip({a});
    InstallImage(layout.bytes.substr(0, layout.nameStarts[0] + a.name.size() + 20));
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), std::string(kReadErrorPrefix) + "2>");
}

TEST_F(WalkTest, NameLengthLimitIs200InLocalAndCentralRecords) {
    std::string name200 = "d/" + std::string(198, 'n');
    InstallImage(BuildZip({Member(name200, "ok")}).bytes);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_EQ(testsupport::ReadFile(Host("C:\\OUT\\" + name200)), "ok");

    std::string name201 = name200 + "x";
    InstallImage(BuildZip({Member(name201, "no")}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), kNamesTooLong);
    EXPECT_FALSE(Exists(Host("C:\\OUT\\" + name201)));

    // Only the central record carries the long name.
    ZipLayout layout = BuildZip({Member("short.txt", "s")});
    size_t central = layout.centralStarts[0];
    std::string central201 = layout.bytes.substr(0, central + 28) + std::string("\xC9\x00", 2) +
                             layout.bytes.substr(central + 30, 16) + std::string(201, 'c');
    InstallImage(central201 + layout.bytes.substr(layout.endStart));
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), kNamesTooLong);
}

TEST_F(WalkTest, MemberWithoutNameIsAnInvalidHeader) {
    InstallImage(BuildZip({Member("", "data")}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), kInvalidHeader);
    EXPECT_FALSE(Exists(root_ + "/C/OUT"));
}

TEST_F(WalkTest, DescriptorBytesAreSkippedWhateverTheyHold) {
    ZipMember a = Member("a.txt", Text(100, 'a'));
    a.descriptor = true;
    ZipLayout layout = BuildZip({a, Member("b.txt", "bee")});
    // Spoil the descriptor: its bytes are never read.
    size_t descriptor = layout.dataStarts[0] + a.data.size();
    for (size_t i = 0; i < 16; i++)
        layout.bytes[descriptor + i] = 'Z';
    InstallImage(layout.bytes);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_TRUE(testsupport::ReadFile(root_ + "/C/OUT/a.txt") == a.data);
    EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/b.txt"), "bee");
}

// Bytes after the end of a deflate stream but inside the member's compressed
// size are stepped over: the next record is found where the size says.
TEST_F(WalkTest, NextRecordFollowsTheCompressedSizeNotTheStreamEnd) {
    ZipMember padded = Member("padded.txt", Text(3000, 'p'), 8);
    padded.payloadOverride = Deflate(padded.data) + std::string(4100, 'J');
    InstallImage(BuildZip({padded, Member("next.txt", "next")}).bytes);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_TRUE(testsupport::ReadFile(root_ + "/C/OUT/padded.txt") == padded.data);
    EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/next.txt"), "next");
}

TEST_F(WalkTest, FolderMembersWithAndWithoutDeclaredSizes) {
    ZipMember padded = Member("padded/");
    padded.payloadOverride = "PD";                 // uncompressed 0, compressed 2: skipped
    ZipMember declared = Member("declared\\");
    declared.uncompressedOverride = 7;             // nothing skipped
    ZipMember nested = Member("x/y/z/");
    InstallImage(BuildZip({padded, declared, nested, Member("x/y/f.txt", "f")}).bytes);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_EQ(ListTree(root_ + "/C/OUT"),
              (std::vector<std::string>{"declared/", "padded/", "x/", "x/y/", "x/y/f.txt", "x/y/z/"}));
    EXPECT_EQ(ctx.filesExtracted, 1u);
}

// A folder member whose data is a whole local record of its own: skipped
// whatever uncompressed size the folder declares, so the record hidden in it
// never comes out.
TEST_F(WalkTest, FolderMemberWithDataBehindIt) {
    ZipLayout inner = BuildZip({Member("hidden.txt", "hidden")});
    const std::string record = inner.bytes.substr(0, inner.dataStarts[0] + 6);
    for (int64_t declared : {0, 7}) {
        SCOPED_TRACE(declared);
        testsupport::Run("rm -rf '" + root_ + "/C/OUT'");
        ZipMember folder = Member("dir/");
        folder.payloadOverride = record;
        folder.uncompressedOverride = declared;
        InstallImage(BuildZip({folder, Member("after.txt", "after")}).bytes);
        EXPECT_EQ(Pass(), kGuardDone) << LastBox();
        EXPECT_EQ(ListTree(root_ + "/C/OUT"), (std::vector<std::string>{"after.txt", "dir/"}));
    }
}

}  // namespace

namespace {

// Offsets a seek from the start cannot reach. 0xFFFFFFFF is -1 as the
// seek's LONG, the very value a failed seek answers.
TEST_F(WalkTest, ArchiveStartThatCannotBeReached) {
    for (uint32_t offset : {0x80000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(offset);
        hostsim::Sim().transcript.clear();
        InstallImage(BuildZip({Member("a.txt", "x")}).bytes);
        configRecord.ArchiveOffset = offset;
        EXPECT_EQ(Pass(), kGuardFailed);
        EXPECT_EQ(LastBox(), "I/O error on file.  Possible cause: file transfer error.");
        EXPECT_EQ(BoxCount(), 1u);
        EXPECT_FALSE(Exists(root_ + "/C/OUT/a.txt"));
        EXPECT_EQ(ctx.extractionRunning, 0);
    }
}

void SetPassword(const char *text) {
    char *password = (char *)GlobalAlloc(GPTR, 32);
    lstrcpyA(password, text);
    ctx.passwordText = password;
}

// Encrypted members from the tools; the password check runs before the
// output file exists.
TEST_F(WalkTest, EncryptedMembers) {
    const char *commands[] = {"zip -q -r -P secret ../a.zip .", "7z a -tzip -psecret -bd ../a.zip ."};
    for (const char *command : commands) {
        SCOPED_TRACE(command);
        testsupport::Run("rm -rf '" + scratch_ + "' '" + root_ + "/C/OUT'");
        MakeSourceTree(scratch_ + "/src");
        ASSERT_EQ(testsupport::Run("cd '" + scratch_ + "/src' && TZ=UTC " + command + " >/dev/null"), 0);
        ASSERT_EQ(testsupport::Run("TZ=UTC unzip -q -P secret '" + scratch_ + "/a.zip' -d '" + scratch_ + "/ref'"), 0);
        InstallImage(testsupport::ReadFile(scratch_ + "/a.zip"));

        struct Attempt {
            const char *password;   // null: none entered
            const char *box;        // null: extracted
        } attempts[] = {{nullptr, "No password specified"}, {"wrong", "Incorrect password specified"},
                        {"secret", nullptr}};
        for (const Attempt &a : attempts) {
            if (ctx.passwordText)
                GlobalFree(GlobalHandle(ctx.passwordText));
            ctx.passwordText = nullptr;
            if (a.password)
                SetPassword(a.password);
            _llseek(ctx.archiveFile, 0, FILE_BEGIN);
            if (a.box) {
                EXPECT_EQ(Pass(), kGuardFailed);
                EXPECT_EQ(LastBox(), a.box);
                for (const std::string &entry : ListTree(root_ + "/C/OUT"))
                    EXPECT_EQ(entry.back(), '/') << "no file is created: " << entry;
            } else {
                EXPECT_EQ(Pass(), kGuardDone) << LastBox();
                EXPECT_EQ(TreeDifferences(root_ + "/C/OUT", scratch_ + "/ref"), "");
            }
        }
    }
}

// An encrypted member too short to hold its 12-byte header.
TEST_F(WalkTest, EncryptedMemberShorterThanItsHeader) {
    ZipMember tiny = Member("tiny.txt");
    tiny.flags = 1;
    tiny.payloadOverride = "12345";
    ZipLayout layout = BuildZip({tiny, Member("next.txt", "next")});
    SetPassword("secret");
    InstallImage(layout.bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), std::string(kReadErrorPrefix) + "14>");
    EXPECT_FALSE(Exists(root_ + "/C/OUT/tiny.txt"));

    // Skipped at the question, it is stepped over by its stored size.
    testsupport::WriteFile(root_ + "/C/OUT/tiny.txt", "old");
    hostsim::Sim().answers = {IDNO};
    InstallImage(layout.bytes);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/next.txt"), "next");
}

}  // namespace
