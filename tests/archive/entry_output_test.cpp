// One member onto disk: the overwrite question, methods, CRC check, write
// faults, file times, the progress counters and the status text.
#include <gtest/gtest.h>

#include "app/error_exit.h"
#include "archive/entry_output.h"
#include "image/config_record.h"
#include "ui/meter.h"
#include "tests/archive/archive_fixture.h"

using namespace archivetest;

namespace {

std::string Bytes(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    for (char &c : s) {
        seed = seed * 1664525u + 1013904223u;
        c = (char)(seed >> 24);
    }
    return s;
}

class EntryOutputTest : public ExtractionTest {
protected:
    std::string Out(const std::string &name) const { return root_ + "/C/OUT/" + name; }
};

TEST_F(EntryOutputTest, EmptyMemberBecomesAnEmptyStampedFile) {
    ZipMember empty = Member("empty.txt");
    empty.method = 99;   // never examined for an empty member
    empty.date = 0x3021;   // 2004-01-01
    empty.time = 0x0000;
    ctx.meterShown = 0;
    InstallImage(BuildZip({empty}).bytes);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_TRUE(Exists(Out("empty.txt")));
    EXPECT_EQ(testsupport::ReadFile(Out("empty.txt")), "");
    EXPECT_EQ(ModificationTime(Out("empty.txt")), DosToUnix(0x3021, 0));
    EXPECT_EQ(ctx.filesExtracted, 1u);
    EXPECT_EQ(hostsim::Sim().controlTexts.count(kIdStatus), 0u);
}

TEST_F(EntryOutputTest, FullBuffersCountForTheMeterAndThePartialOneDoesNot) {
    struct Case {
        size_t size;
        uint32_t bytesWritten;
        unsigned pumps;
    } cases[] = {{2048, 2048, 1}, {2049, 2048, 2}, {2047, 0, 1}, {6144, 6144, 3}};
    ctx.overwriteWithoutPrompting = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size);
        ctx.bytesWritten = 0;
        hostsim::Sim().pumpCalls = 0;
        InstallImage(BuildZip({Member("stored.bin", Bytes(c.size, (uint32_t)c.size))}).bytes);
        EXPECT_EQ(Pass(), kGuardDone) << LastBox();
        EXPECT_TRUE(testsupport::ReadFile(Out("stored.bin")) == Bytes(c.size, (uint32_t)c.size));
        EXPECT_EQ(ctx.bytesWritten, c.bytesWritten);
        EXPECT_EQ(hostsim::Sim().pumpCalls, c.pumps);
    }
}

TEST_F(EntryOutputTest, StatusTextNamesTheFileUnlessTheMeterShowsIt) {
    InstallImage(BuildZip({Member("deep/dir/name.txt", "x")}).bytes);
    EXPECT_EQ(Pass(), kGuardDone);
    EXPECT_EQ(hostsim::Sim().controlTexts[kIdStatus], "Unzipping name.txt");

    hostsim::Sim().controlTexts.clear();
    ctx.meterShown = 1;
    InstallImage(BuildZip({Member("other.txt", "y")}).bytes);
    EXPECT_EQ(Pass(), kGuardDone);
    EXPECT_EQ(hostsim::Sim().controlTexts.count(kIdStatus), 0u);
    char text[100];
    FormatUnzipping(text);
    EXPECT_STREQ(text, "Unzipping other.txt");
}

TEST_F(EntryOutputTest, BadCrcLeavesTheWholeFileClosedAndStamped) {
    std::string content = Bytes(5000, 7);
    ZipMember stored = Member("stored.bin", content);
    stored.crcOverride = 0x12345678;
    InstallImage(BuildZip({stored}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    char expected[300];
    snprintf(expected, sizeof expected,
             "ZIP damaged: file C:\\OUT\\stored.bin: Bad CRC %08x (should be 12345678).  Possible cause: file "
             "transfer error.",
             Crc(content));
    EXPECT_EQ(LastBox(), expected);
    EXPECT_TRUE(testsupport::ReadFile(Out("stored.bin")) == content);
    EXPECT_EQ(ModificationTime(Out("stored.bin")), DosToUnix(stored.date, stored.time));
    EXPECT_EQ(ctx.outputFile, 0);
    EXPECT_EQ(ctx.filesExtracted, 1u);
}

TEST_F(EntryOutputTest, DamagedDeflatedMemberIsReportedAfterItIsClosedAndStamped) {
    std::string content;
    for (int i = 0; content.size() < 200000; i++)
        content += "record " + std::to_string(i * 7919 % 100003) + "\n";
    ZipMember deflated = Member("text.txt", content, 8);
    deflated.payloadOverride = Deflate(content);
    for (size_t i = deflated.payloadOverride.size() / 2; i < deflated.payloadOverride.size() / 2 + 40; i++)
        deflated.payloadOverride[i] ^= 0x5A;
    InstallImage(BuildZip({deflated, Member("after.txt", "never")}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox().rfind("ZIP damaged: file C:\\OUT\\text.txt: Bad CRC ", 0), 0u) << LastBox();
    char should[40];
    snprintf(should, sizeof should, "(should be %08x)", Crc(content));
    EXPECT_NE(LastBox().find(should), std::string::npos);
    EXPECT_EQ(ModificationTime(Out("text.txt")), DosToUnix(deflated.date, deflated.time));
    EXPECT_EQ(ctx.outputFile, 0);
    EXPECT_FALSE(Exists(Out("after.txt")));
}

TEST_F(EntryOutputTest, UnsupportedMethodLeavesAnEmptyFile) {
    ZipMember bzip = Member("packed.bz2", "whatever");
    bzip.method = 12;
    InstallImage(BuildZip({bzip}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), "Unsupported compression method");
    EXPECT_TRUE(Exists(Out("packed.bz2")));
    EXPECT_EQ(testsupport::ReadFile(Out("packed.bz2")), "");
    EXPECT_EQ(ctx.outputFile, 0);
}

// An existing a.txt; the archive holds a new a.txt, then b.txt.
struct OverwriteCase {
    const char *label;
    int answer;           // 0: overwrite without prompting
    int code;
    bool replaced;
    bool encrypted;       // a.txt encrypted, no password entered
};

void PrintTo(const OverwriteCase &c, std::ostream *out) {
    *out << c.label;
}

class OverwriteTest : public EntryOutputTest, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(OverwriteTest, Answer) {
    const OverwriteCase &c = GetParam();
    testsupport::WriteFile(Out("a.txt"), "the old content, longer than the new");
    ZipMember a = Member("a.txt", "new");
    if (c.encrypted) {
        a.flags = 1;
        a.payloadOverride = Bytes(12 + 3, 1);
    }
    InstallImage(BuildZip({a, Member("b.txt", "bee")}).bytes);
    ctx.overwriteWithoutPrompting = c.answer == 0;
    if (c.answer)
        hostsim::Sim().answers = {c.answer};
    EXPECT_EQ(Pass(), c.code);
    EXPECT_EQ(testsupport::ReadFile(Out("a.txt")), c.replaced ? "new" : "the old content, longer than the new");
    EXPECT_EQ(Exists(Out("b.txt")), c.code == kGuardDone);
    if (c.answer) {
        ASSERT_EQ(BoxCount(), 1u);
        EXPECT_EQ(LastBox(), "File C:\\OUT\\a.txt already exists.  Overwrite file?");
        EXPECT_EQ(hostsim::Sim().transcript[0].style, (UINT)MB_YESNOCANCEL);
        EXPECT_EQ(hostsim::Sim().transcript[0].caption, "Tarvex Self-Extractor");
    } else {
        EXPECT_EQ(BoxCount(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, OverwriteTest,
    ::testing::Values(OverwriteCase{"yes", IDYES, kGuardDone, true, false},
                      OverwriteCase{"no", IDNO, kGuardDone, false, false},
                      OverwriteCase{"noSkipsEncryptedData", IDNO, kGuardDone, false, true},
                      OverwriteCase{"cancel", IDCANCEL, kGuardCancelled, false, false},
                      OverwriteCase{"withoutPrompting", 0, kGuardDone, true, false}),
    [](const ::testing::TestParamInfo<OverwriteCase> &info) { return std::string(info.param.label); });

TEST_F(EntryOutputTest, OverwriteQuestionBringsTheShownMeterUpToDate) {
    testsupport::WriteFile(Out("b.txt"), "old");
    configRecord.TotalSize = 200000;
    ctx.meterShown = 1;
    hostsim::Sim().dialogHasMeter = true;
    hostsim::Sim().answers = {IDYES};
    InstallImage(BuildZip({Member("a.bin", Bytes(100000, 3)), Member("b.txt", "new")}).bytes);
    EXPECT_EQ(Pass(), kGuardDone);
    // One position from the 64 KiB mark, one at the question (98304 of 200000).
    EXPECT_EQ(hostsim::Sim().meterPositions, (std::vector<int>{32, 49}));
}

// Write faults: the message names the file, which keeps what was written.
struct WriteFaultCase {
    const char *label;
    hostsim::FaultOp op;
    unsigned at;
    size_t kept;
};

void PrintTo(const WriteFaultCase &c, std::ostream *out) {
    *out << c.label;
}

class WriteFaultTest : public EntryOutputTest, public ::testing::WithParamInterface<WriteFaultCase> {};

TEST_P(WriteFaultTest, EndsThePassNamingTheFile) {
    const WriteFaultCase &c = GetParam();
    hostsim::Sim().failAt[c.op] = c.at;
    InstallImage(BuildZip({Member("big.bin", Bytes(5000, 9))}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), "Error writing to C:\\OUT\\big.bin.  Possible cause: disk full.");
    EXPECT_EQ(testsupport::ReadFile(Out("big.bin")).size(), c.kept);
    EXPECT_EQ(ctx.outputFile, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, WriteFaultTest,
    ::testing::Values(WriteFaultCase{"firstWriteFails", hostsim::kFaultWrite, 1, 0},
                      WriteFaultCase{"secondWriteShort", hostsim::kFaultShortWrite, 2, 4095},
                      WriteFaultCase{"finalPartialWriteFails", hostsim::kFaultWrite, 3, 4096}),
    [](const ::testing::TestParamInfo<WriteFaultCase> &info) { return std::string(info.param.label); });

TEST_F(EntryOutputTest, OutputFileThatCannotBeCreated) {
    hostsim::Sim().failAt[hostsim::kFaultCreate] = 1;
    InstallImage(BuildZip({Member("a.txt", "x")}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), "Can't create output file: C:\\OUT\\a.txt");
    EXPECT_FALSE(Exists(Out("a.txt")));
}

TEST_F(EntryOutputTest, ConfirmedAbortEndsSilentlyKeepingWhatWasWritten) {
    hostsim::Sim().abortAtPump = 2;
    InstallImage(BuildZip({Member("big.bin", Bytes(10000, 4)), Member("b.txt", "b")}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(BoxCount(), 0u);
    EXPECT_TRUE(testsupport::ReadFile(Out("big.bin")) == Bytes(10000, 4).substr(0, 4096));
    EXPECT_EQ(ctx.outputFile, 0);
    EXPECT_FALSE(Exists(Out("b.txt")));
}

// Every file member ends with a look at the queue, an empty one too; an abort
// confirmed there keeps that member whole and stops before the next.
TEST_F(EntryOutputTest, EveryFileMemberEndsWithAPump) {
    ZipLayout layout = BuildZip({Member("empty.txt"), Member("dir/"), Member("a.bin", Bytes(4096, 1)),
                                 Member("b.txt", "bee"), Member("c.txt", "c")});
    ctx.overwriteWithoutPrompting = 1;
    InstallImage(layout.bytes);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_EQ(hostsim::Sim().memberEndPumps, 4u);

    testsupport::Run("rm -rf '" + root_ + "/C/OUT'");
    hostsim::Sim().memberEndPumps = 0;
    hostsim::Sim().abortAtMemberEnd = 3;
    InstallImage(layout.bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(BoxCount(), 0u);
    EXPECT_EQ(testsupport::ReadFile(Out("b.txt")), "bee");
    EXPECT_EQ(ModificationTime(Out("b.txt")), DosToUnix(Member("b.txt").date, Member("b.txt").time));
    EXPECT_FALSE(Exists(Out("c.txt")));
}

// Time fields as stored, and the time the file gets.
TEST_F(EntryOutputTest, FileTimesAreClampedIntoValidDates) {
    struct Case {
        uint16_t date, time;     // stored
        uint16_t wantDate, wantTime;
    } cases[] = {
        {0x5A4E, 0x7D1C, 0x5A4E, 0x7D1C},   // ordinary
        {0x5A4E, 0xFFFF, 0x5A4E, 0xBF7D},   // 23:59:58
        {0x5A00, 0x0000, 0x5A21, 0x0000},   // day 0, month 0 -> 1 January
        {0x5BAF, 0x0000, 0x5B8F, 0x0000},   // month 13 -> December (day 15)
        {0x5BFF, 0x0000, 0x5B9F, 0x0000},   // month 15, day 31 -> 31 December
        {0x5A5E, 0x0000, 0x5A5C, 0x0000},   // 30 February 2025 -> 28 February
        {0x505D, 0x0000, 0x505D, 0x0000},   // 29 February 2020 stays
        {0x505F, 0x0000, 0x505D, 0x0000},   // 31 February 2020 -> 29 February
        {0x589F, 0x0000, 0x589E, 0x0000},   // 31 April 2024 -> 30 April
        {0xF05E, 0x0000, 0xF05C, 0x0000},   // 30 February 2100 (not leap) -> 28
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.date << " " << c.time);
        HFILE file = _lcreat("C:\\T.TXT", 0);
        ASSERT_GT(file, 0);
        ctx.outputFile = file;
        ctx.localHeader.date = c.date;
        ctx.localHeader.time = c.time;
        SetMemberTime();
        _lclose(file);
        ctx.outputFile = 0;
        EXPECT_EQ(ModificationTime(root_ + "/C/T.TXT"), DosToUnix(c.wantDate, c.wantTime));
    }
}

}  // namespace
