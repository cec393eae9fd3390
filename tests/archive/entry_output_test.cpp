// One member onto disk: the overwrite question, methods, CRC check, write
// faults, file times, the progress counters and the status text.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "archive/member_time.h"
#include "base/error_exit.h"
#include "base/exit_codes.h"
#include "base/run_log.h"
#include "codec/decode_table.h"
#include "image/config_record.h"
#include "progress/meter.h"
#include "progress/status_line.h"
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
    WCHAR text[kMessageBufferSize];
    FormatUnzipping(text);
    EXPECT_EQ(Utf8(text), "Unzipping other.txt");
}

// The status line changes at most once a pump interval. With the clock
// standing still, the first member is named at once, the others when a box
// comes (the line then reads as it did with every member named: the last
// member started) and at the end of the pass. With a clock that moves a
// pump interval at each look, every member is named when it starts.
TEST_F(EntryOutputTest, StatusLineChangesAtMostOnceAPumpInterval) {
    struct Case {
        const char *what;
        DWORD tickStep;
        std::vector<std::string> existing;   // files that raise the overwrite question (answered Yes)
        int64_t badCrcMember;                // index of a member whose CRC fails, -1 for none
        std::vector<std::string> changes;    // the status line's texts, in order
        std::vector<std::string> atBoxes;    // the status line at each box
    } cases[] = {
        {"clock moving", 10, {}, -1, {"a", "b", "c", "d", "e"}, {}},
        {"clock standing", 0, {}, -1, {"a", "e"}, {}},
        {"clock standing, a question", 0, {"d"}, -1, {"a", "c", "e"}, {"c"}},
        {"clock standing, a bad CRC", 0, {}, 2, {"a", "c"}, {"c"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::Run("rm -rf '" + root_ + "/C/OUT' && mkdir -p '" + root_ + "/C/OUT'");
        for (const std::string &name : c.existing)
            testsupport::WriteFile(Out(name), "old");
        std::vector<ZipMember> members;
        for (const char *name : {"a", "b", "c", "d", "e"})
            members.push_back(Member(name, std::string("data of ") + name));
        if (c.badCrcMember >= 0)
            members[(size_t)c.badCrcMember].crcOverride = 1;
        InstallImage(BuildZip(members).bytes);
        hostsim::State &sim = hostsim::Sim();
        sim.tickCount += 1000;   // a while after the last case's pass
        sim.tickStep = c.tickStep;
        sim.textsSet.clear();
        std::vector<std::string> atBoxes;
        sim.boxWatcher = [&](const hostsim::BoxRecord &) { atBoxes.push_back(sim.controlTexts[kIdStatus]); };
        sim.boxHandler = [](const hostsim::BoxRecord &) { return IDYES; };
        Pass();
        std::vector<std::string> changes;
        for (const auto &[id, text] : sim.textsSet)
            if (id == kIdStatus)
                changes.push_back(text);
        auto unzipping = [](std::vector<std::string> names) {
            for (std::string &name : names)
                name = "Unzipping " + name;
            return names;
        };
        EXPECT_EQ(changes, unzipping(c.changes));
        EXPECT_EQ(atBoxes, unzipping(c.atBoxes));
    }
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
    EXPECT_EQ(ctx.exitStatus, kExitFailed);
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

// The decoder answers a failed table allocation; the member's extraction
// raises the box, as an error of the pass, and no table is left behind.
TEST_F(EntryOutputTest, DecodeTablesWithoutMemoryEndThePass) {
    std::string content(5000, 'a');
    ZipMember deflated = Member("text.txt", content, 8);
    deflated.payloadOverride = Deflate(content);
    InstallImage(BuildZip({deflated, Member("after.txt", "never")}).bytes);
    hostsim::Sim().failAt[hostsim::kFaultLocalAlloc] = hostsim::Sim().calls[hostsim::kFaultLocalAlloc] + 1;
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(ctx.exitStatus, kExitFailed);
    EXPECT_EQ(LastBox(), "not enough memory");
    for (HuffmanEntry *table : ctx.blockTables)
        EXPECT_EQ(table, nullptr);
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
    int exitStatus;       // kept members count as unzipped
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
    EXPECT_EQ(ctx.exitStatus, c.exitStatus);
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
    ::testing::Values(OverwriteCase{"yes", IDYES, kGuardDone, true, false, kExitUnzipped},
                      OverwriteCase{"no", IDNO, kGuardDone, false, false, kExitUnzipped},
                      OverwriteCase{"noSkipsEncryptedData", IDNO, kGuardDone, false, true, kExitUnzipped},
                      OverwriteCase{"cancel", IDCANCEL, kGuardCancelled, false, false, kExitCancelled},
                      OverwriteCase{"withoutPrompting", 0, kGuardDone, true, false, kExitUnzipped}),
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

// -silent: the overwrite question takes its safe answer (keep) unless -y
// made it moot, a failure ends the pass without its box, and the log has
// what the boxes would have said.
TEST_F(EntryOutputTest, SilentPassAnswersItselfAndLogsWhatItDid) {
    const std::string question = "message: File C:\\OUT\\a.txt already exists.  Overwrite file?\r\n";
    struct Case {
        const char *name;
        int yes;
        bool damaged;
        const char *content;   // a.txt afterwards
        int code, exitStatus;
        std::string log;
    } cases[] = {
        {"kept", 0, false, "old", kGuardDone, kExitUnzipped, question + "kept: a.txt\r\nwritten: b.txt\r\n"},
        {"-y", 1, false, "new", kGuardDone, kExitUnzipped, "written: a.txt\r\nwritten: b.txt\r\n"},
        {"damaged", 1, true, "new", kGuardFailed, kExitFailed, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        testsupport::WriteFile(Out("a.txt"), "old");
        ZipMember a = Member("a.txt", "new");
        if (c.damaged)
            a.crcOverride = 0x12345678;
        InstallImage(BuildZip({a, Member("b.txt", "bee")}).bytes);
        ctx.silent = 1;
        ctx.overwriteWithoutPrompting = c.yes;
        OpenRunLog(u"C:\\run.log");
        EXPECT_EQ(Pass(), c.code);
        EXPECT_EQ(ctx.exitStatus, c.exitStatus);
        EXPECT_EQ(BoxCount(), 0u);
        EXPECT_EQ(testsupport::ReadFile(Out("a.txt")), c.content);
        _lclose(ctx.logFile);
        std::string log = testsupport::ReadFile(root_ + "/C/run.log");
        if (c.damaged)
            EXPECT_EQ(log.rfind("message: ZIP damaged: file C:\\OUT\\a.txt: Bad CRC ", 0), 0u) << log;
        else
            EXPECT_EQ(log, c.log);
    }
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
    EXPECT_EQ(ctx.exitStatus, kExitFailed);
    EXPECT_EQ(LastBox(), "Can't create output file: C:\\OUT\\a.txt");
    EXPECT_FALSE(Exists(Out("a.txt")));
}

TEST_F(EntryOutputTest, ConfirmedAbortEndsSilentlyKeepingWhatWasWritten) {
    hostsim::Sim().abortAtPump = 2;
    InstallImage(BuildZip({Member("big.bin", Bytes(10000, 4)), Member("b.txt", "b")}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(ctx.exitStatus, kExitCancelled);
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

// --- UTC times from the extra field -----------------------------------------

const uint64_t kTicks = 10000000;               // 100-ns ticks per second
const int64_t kFileTimeEpoch = 11644473600;     // seconds from 1601 to 1970
const long kBias = -10 * 3600;                  // the machine's zone is UTC+10

uint64_t FromUnix(int64_t seconds) {
    return (uint64_t)(seconds + kFileTimeEpoch) * kTicks;
}

struct TimeCase {
    const char *label;
    std::string extra;
    int64_t unixSeconds;   // the written time as seconds since 1970; kFromDos: the header's DOS time
    uint64_t fraction;     // 100-ns ticks beyond the second
};

const int64_t kFromDos = INT64_MIN;
const uint64_t kNtfsTime = FromUnix(1717245296) + 7890123;   // 2024-06-01 12:34:56.7890123
const int64_t kUnixTime = 1700000001;                        // an odd second
const std::string kPadding = ExtraField(0x9999, std::string(1020, 'p'));

void PrintTo(const TimeCase &c, std::ostream *out) {
    *out << c.label;
}

class TimeSourceTest : public EntryOutputTest, public ::testing::WithParamInterface<TimeCase> {};

// Each case follows a member whose long extra field leaves stale bytes in
// the kept area: a decoder that read past its own field would find them.
TEST_P(TimeSourceTest, FileGetsTheTimeOfItsSource) {
    const TimeCase &c = GetParam();
    hostsim::Sim().timeZoneBias = kBias;
    ZipMember before = Member("before.txt", "b");
    before.extra = ExtraField(0x7777, std::string(200, '\x41'));
    ZipMember member = Member("case.txt", "content");
    member.extra = c.extra;
    InstallImage(BuildZip({before, member}).bytes);
    ASSERT_EQ(Pass(), kGuardDone) << LastBox();

    int64_t seconds = c.unixSeconds == kFromDos ? DosToUnix(member.date, member.time) + kBias : c.unixSeconds;
    uint64_t expected = FromUnix(seconds) + c.fraction;
    const hostsim::TimeRecord &stamp = hostsim::Sim().timesSet.back();
    EXPECT_EQ(stamp.path.substr(stamp.path.rfind('/')), "/case.txt");
    EXPECT_EQ(stamp.written, expected);
    EXPECT_EQ(stamp.accessed, expected);
    EXPECT_EQ(stamp.created, expected);
    EXPECT_EQ(ModificationTime(Out("case.txt")), seconds);
}

std::string InfoZipUnixField(int64_t accessed, int64_t modified, const std::string &ids = "") {
    return ExtraField(0x5855, LittleEndian((uint64_t)accessed, 4) + LittleEndian((uint64_t)modified, 4) + ids);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, TimeSourceTest,
    ::testing::Values(
        TimeCase{"none", "", kFromDos, 0},
        TimeCase{"ntfsOnly", NtfsField(kNtfsTime), 1717245296, 7890123},
        TimeCase{"unixOnly", UnixField(1, {kUnixTime}), kUnixTime, 0},
        TimeCase{"ntfsWinsOverUnix", UnixField(1, {kUnixTime}) + NtfsField(kNtfsTime), 1717245296, 7890123},
        TimeCase{"unixAllThreeTimes", UnixField(7, {kUnixTime, 5, 6}), kUnixTime, 0},
        // The access and creation times that the flags promise are not needed.
        TimeCase{"unixFlagsPromiseMore", UnixField(7, {kUnixTime}), kUnixTime, 0},
        TimeCase{"unixAfterOtherFields", ExtraField(0x0001, "12345678") + UnixField(1, {kUnixTime}), kUnixTime, 0},
        TimeCase{"unixBefore1970", UnixField(1, {-315619200}), -315619200, 0},            // 1960-01-01
        TimeCase{"unixLastSecondOf2038", UnixField(1, {0x7FFFFFFF}), 0x7FFFFFFF, 0},      // 2038-01-19 03:14:07
        TimeCase{"unixTopBitIs1901", UnixField(1, {0x80000000}), INT32_MIN, 0},           // 1901-12-13 20:45:52
        TimeCase{"unixAllOnes", UnixField(1, {0xFFFFFFFF}), -1, 0},                       // 1969-12-31 23:59:59
        // Malformed: the DOS time, or the next source.
        TimeCase{"unixWithoutModifiedFlag", UnixField(6, {5, 6}), kFromDos, 0},
        TimeCase{"unixFlagsWithoutData", UnixField(1), kFromDos, 0},
        TimeCase{"unixShort", ExtraField(0x5455, "\x01\x02\x03\x04"), kFromDos, 0},
        TimeCase{"unixEmpty", ExtraField(0x5455, ""), kFromDos, 0},
        TimeCase{"unixRunsPastTheExtraField", ExtraField(0x5455, "\x01\x02\x03\x04\x05", 9), kFromDos, 0},
        TimeCase{"unixBeyondTheKeptBytes", kPadding + UnixField(1, {kUnixTime}), kFromDos, 0},
        TimeCase{"unixEndsAtTheKeptBytes", ExtraField(0x9999, std::string(1011, 'p')) + UnixField(1, {kUnixTime}),
                 kUnixTime, 0},
        TimeCase{"ntfsShortTagFallsToUnix",
                 ExtraField(0x000A, LittleEndian(0, 4) + LittleEndian(1, 2) + LittleEndian(16, 2) +
                                        LittleEndian(kNtfsTime, 8) + LittleEndian(kNtfsTime, 8)) +
                     UnixField(1, {kUnixTime}),
                 kUnixTime, 0},
        TimeCase{"ntfsLongTag", ExtraField(0x000A, LittleEndian(0, 4) + LittleEndian(1, 2) + LittleEndian(32, 2) +
                                                       LittleEndian(kNtfsTime, 8) + std::string(24, '\0')),
                 kFromDos, 0},
        TimeCase{"ntfsTagRunsPastItsField",
                 ExtraField(0x000A, LittleEndian(0, 4) + LittleEndian(1, 2) + LittleEndian(24, 2) +
                                        LittleEndian(kNtfsTime, 8) + LittleEndian(kNtfsTime, 8)),
                 kFromDos, 0},
        TimeCase{"ntfsReservedOnly", ExtraField(0x000A, LittleEndian(0, 4)), kFromDos, 0},
        TimeCase{"ntfsShorterThanReserved", ExtraField(0x000A, "\x01\x00"), kFromDos, 0},
        TimeCase{"ntfsOtherTagOnly", ExtraField(0x000A, LittleEndian(0, 4) + LittleEndian(2, 2) + LittleEndian(8, 2) +
                                                           LittleEndian(kNtfsTime, 8)),
                 kFromDos, 0},
        TimeCase{"ntfsTimesAfterOtherTag",
                 ExtraField(0x000A, LittleEndian(0, 4) + LittleEndian(2, 2) + LittleEndian(2, 2) + "xy" +
                                        NtfsField(kNtfsTime).substr(8)),
                 1717245296, 7890123},
        // 0 asks SetFileTime to leave the time alone; the top bit is no time.
        TimeCase{"ntfsZero", NtfsField(0), kFromDos, 0},
        TimeCase{"ntfsTopBitFallsToUnix", NtfsField(0x8000000000000000ull) + UnixField(1, {kUnixTime}), kUnixTime, 0},
        // The Info-ZIP Unix field: access, modification time, and in a local
        // header the user and group ids; taken after the other two.
        TimeCase{"infoZipUnixWithIds", InfoZipUnixField(5, kUnixTime, LittleEndian(501, 2) + LittleEndian(20, 2)),
                 kUnixTime, 0},
        TimeCase{"infoZipUnixTimesOnly", InfoZipUnixField(5, -315619200), -315619200, 0},
        TimeCase{"infoZipUnixAfterExtended", InfoZipUnixField(5, 7) + UnixField(1, {kUnixTime}), kUnixTime, 0},
        TimeCase{"infoZipUnixAfterNtfs", InfoZipUnixField(5, 7) + NtfsField(kNtfsTime), 1717245296, 7890123},
        TimeCase{"infoZipUnixShort", ExtraField(0x5855, LittleEndian(5, 4) + "\x01\x02\x03"), kFromDos, 0}),
    [](const ::testing::TestParamInfo<TimeCase> &info) { return std::string(info.param.label); });

}  // namespace
