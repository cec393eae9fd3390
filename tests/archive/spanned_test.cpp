// Archives spread over removable disks in drive A: the label, the prompts,
// the volume files and the pass across volume ends.
#include <gtest/gtest.h>

#include <cstdlib>

#include "archive/spanned.h"
#include "base/error_exit.h"
#include "image/config_record.h"
#include "tests/archive/archive_fixture.h"

using namespace archivetest;

namespace {

const char kHeaderCorrupt[] =
    "Tarvex Self-Extractor header corrupt.  Possible cause:  bad disk or file transfer error";

class SpannedTest : public ExtractionTest {
public:
    void SetUp() override {
        ExtractionTest::SetUp();
        testsupport::SetImagePath("A:\\SETUP.EXE");
        ctx.spanned = 1;
        InstallDiskHandler();
    }

    // Prompts for a numbered disk insert it, as a user would.
    void InstallDiskHandler() {
        hostsim::Sim().boxHandler = [this](const hostsim::BoxRecord &box) {
            const std::string insert = "Please insert disk ";
            if (box.text.rfind(insert, 0) == 0) {
                Insert(atoi(box.text.c_str() + insert.size()));
                return IDOK;
            }
            if (box.text.rfind("Please insert last disk", 0) == 0) {
                Insert(0);
                return IDOK;
            }
            return IDCANCEL;
        };
    }

    std::string Disk(int n) const { return root_ + "/disk" + std::to_string(n); }

    // Puts disk n (labelled PKBACK# 00n) into drive A.
    void Insert(int n, const std::string &label = "") {
        hostsim::Sim().driveFolders['A'] = Disk(n);
        hostsim::Sim().volumeLabels['A'] = label.empty() ? "PKBACK# 00" + std::to_string(n) : label;
    }

    void WriteVolume(int n, const std::string &name, const std::string &bytes) {
        testsupport::WriteFile(Disk(n) + "/" + name, bytes);
    }

    // Splits bytes at the cuts into volumes 1, 2, ... named name.
    void WriteVolumes(const std::string &bytes, const std::vector<size_t> &cuts, const std::string &name,
                      const std::string &firstPrefix = "") {
        size_t from = 0;
        for (size_t i = 0; i <= cuts.size(); i++) {
            size_t to = i < cuts.size() ? cuts[i] : bytes.size();
            WriteVolume((int)i + 1, name, (i == 0 ? firstPrefix : "") + bytes.substr(from, to - from));
            from = to;
        }
    }

    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const auto &box : hostsim::Sim().transcript)
            texts.push_back(box.text);
        return texts;
    }
};

TEST_F(SpannedTest, DiskNumberFromTheLabel) {
    struct Case {
        const char *label;   // null: no label
        int number;
    } cases[] = {
        {"PKBACK# 001", 1},   {"PKBACK#.003", 3},  {"PKBACK# 7", 7},      {"PKBACK# 000", 0},
        {"PKBACK# 012x", 12}, {"PKBACK# A5", 5},   {"PKBACK#003", -1},    {nullptr, -1},
        {"", -1},             {"BACKUP 001", -1},  {"pkback# 001", -1},   {"PKBACK", -1},
        {"PKBACK# ", -1},     {"PKBACK#.", -1},    {"PKBACK# disk", -1},  {"PKBACK#.ABCDEFGHIJKLMNOPQRSTUVWXYZ", -1},
    };
    for (const Case &c : cases) {
        if (c.label)
            hostsim::Sim().volumeLabels['A'] = c.label;
        else
            hostsim::Sim().volumeLabels.erase('A');
        EXPECT_EQ(ReadDiskNumber("A:"), c.number) << (c.label ? c.label : "(none)");
    }
}

// RequestDisk under a guard, as the pass runs it.
int gWanted, gExe;
void RequestWanted() {
    RequestDisk(gWanted, gExe);
}

struct RequestCase {
    const char *label;
    int wanted;
    std::function<void(SpannedTest &)> setup;   // what is in the drive, how the user answers
    int code;
    std::vector<std::string> boxes;
    int currentDisk;
};

TEST_F(SpannedTest, RequestDiskPromptsUntilTheRightDiskIsIn) {
    const std::string missing =
        "The disk in the drive appears to be\nmissing or has an incorrect label.\nInsert disk number 3.";
    RequestCase cases[] = {
        {"rightDisk", 3, [](SpannedTest &t) { t.Insert(3); }, kGuardDone, {}, 3},
        {"wrongThenRight", 3, [](SpannedTest &t) { t.Insert(2); }, kGuardDone,
         {"Please insert disk 3 in drive A:."}, 3},
        {"lastDisk", 0, [](SpannedTest &t) { t.Insert(2); }, kGuardDone,
         {"Please insert last disk of set in drive A:."}, 0},
        {"noLabelIgnore", 3,
         [](SpannedTest &t) {
             t.Insert(3, "DATA");
             hostsim::Sim().answers = {IDIGNORE};
         },
         kGuardDone, {missing}, 3},
        {"noLabelRetry", 3,
         [](SpannedTest &t) {
             t.Insert(1, "DATA");
             hostsim::Sim().boxHandler = [&t](const hostsim::BoxRecord &) {
                 t.Insert(3);
                 return IDRETRY;
             };
         },
         kGuardDone, {missing}, 3},
        {"noLabelAbort", 3,
         [](SpannedTest &t) {
             t.Insert(3, "DATA");
             hostsim::Sim().answers = {IDABORT};
         },
         kGuardFailed, {missing}, 0},
        {"wrongDiskCancel", 3,
         [](SpannedTest &t) {
             t.Insert(2);
             hostsim::Sim().answers = {IDCANCEL};
         },
         kGuardFailed, {"Please insert disk 3 in drive A:."}, 2},
    };
    for (RequestCase &c : cases) {
        SCOPED_TRACE(c.label);
        for (int n : {0, 1, 2, 3})
            WriteVolume(n, "SETUP.ZIP", "volume " + std::to_string(n));
        hostsim::Sim().transcript.clear();
        hostsim::Sim().answers.clear();
        InstallDiskHandler();
        if (ctx.archiveFile > 0)
            _lclose(ctx.archiveFile);
        ctx.archiveFile = 0;
        ctx.currentDisk = 0;
        c.setup(*this);
        gWanted = c.wanted;
        gExe = 0;
        EXPECT_EQ(GuardedCall(RequestWanted), c.code);
        EXPECT_EQ(Boxes(), c.boxes);
        if (!hostsim::Sim().transcript.empty() && c.boxes[0] == missing) {
            EXPECT_EQ(hostsim::Sim().transcript[0].style, (UINT)(MB_ABORTRETRYIGNORE | MB_ICONQUESTION));
        }
        EXPECT_EQ(ctx.currentDisk, c.currentDisk);
        if (c.code == kGuardDone) {
            char head[16] = {0};
            ASSERT_GT(ctx.archiveFile, 0);
            EXPECT_EQ(_lread(ctx.archiveFile, head, 8), 8u);
            EXPECT_EQ(std::string(head), "volume " + std::to_string(c.wanted));
        } else {
            EXPECT_EQ(ctx.archiveFile, 0);
        }
    }
}

TEST_F(SpannedTest, VolumeFileNames) {
    struct Case {
        const char *imagePath;
        int exe;
        const char *hostFile;   // below the disk folder, or the root for UNC
    } cases[] = {
        {"A:\\SETUP.EXE", 1, "disk1/SETUP.EXE"},
        {"A:\\SETUP.EXE", 0, "disk1/SETUP.ZIP"},
        {"A:\\SETUP", 0, "disk1/SETUP.ZIP"},                  // no extension: one is appended
        {"A:\\V1.2\\SETUP", 0, "disk1/V1.2/SETUP.ZIP"},       // a '.' in a folder is not an extension
        {"A:\\DIR\\ARCHIVE.TAR.EXE", 0, "disk1/DIR/ARCHIVE.TAR.ZIP"},
        {"A:\\.EXE", 0, "disk1/.ZIP"},                          // only an extension: it is replaced
        {"A:\\установка.exe", 0, "disk1/установка.ZIP"},      // a name the ANSI code page lacks
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.imagePath);
        testsupport::WriteFile(root_ + "/" + c.hostFile, c.hostFile);
        testsupport::SetImagePath(c.imagePath);
        Insert(1);
        gWanted = 1;
        gExe = c.exe;
        ASSERT_EQ(GuardedCall(RequestWanted), kGuardDone) << Boxes().size();
        char head[64] = {0};
        _lread(ctx.archiveFile, head, sizeof head - 1);
        EXPECT_STREQ(head, c.hostFile);
    }
    // The volume missing on an accepted disk.
    testsupport::SetImagePath("A:\\GONE.EXE");
    EXPECT_EQ(GuardedCall(RequestWanted), kGuardFailed);
    EXPECT_EQ(LastBox(), kHeaderCorrupt);
}

// Started from a share: there is no drive letter; the share's label is read
// and, lacking the form, the user is asked; Ignore reads the volume beside
// the program.
TEST_F(SpannedTest, ProgramOnAShare) {
    testsupport::SetImagePath("\\\\SRV\\SHARE\\DL\\SETUP.EXE");
    testsupport::WriteFile(root_ + "/UNC/SRV/SHARE/DL/SETUP.ZIP", "share volume");
    hostsim::Sim().answers = {IDIGNORE};
    gWanted = 2;
    gExe = 0;
    EXPECT_EQ(GuardedCall(RequestWanted), kGuardDone);
    EXPECT_EQ(BoxCount(), 1u);
    EXPECT_EQ(ctx.currentDisk, 2);
    char head[16] = {0};
    _lread(ctx.archiveFile, head, 12);
    EXPECT_STREQ(head, "share volume");
}

std::string Payload(size_t n, char seed) {
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++)
        s[i] = (char)(seed + (i * i) % 251);
    return s;
}

// Members, the archive as the spanning writer lays it out (spanning signature
// first), and where it is cut into volumes.
struct SpannedArchive {
    std::vector<ZipMember> members;
    ZipLayout layout;
    std::string bytes;   // with the leading spanning signature
};

SpannedArchive MakeSpanned() {
    SpannedArchive a;
    a.members = {Member("one.bin", Payload(6000, 1)), Member("two.txt", Payload(40000, 2), 8),
                 Member("dir/"), Member("dir/three.bin", Payload(3000, 3))};
    a.layout = BuildZip(a.members);
    a.bytes = std::string("PK\x07\x08", 4) + a.layout.bytes;
    return a;
}

TEST_F(SpannedTest, PassRunsAcrossVolumeEnds) {
    SpannedArchive a = MakeSpanned();
    const ZipLayout &l = a.layout;
    struct Case {
        const char *label;
        std::vector<size_t> cuts;   // offsets in the archive without the leading signature
        int exe;
    } cases[] = {
        {"insideStoredData", {l.dataStarts[0] + 1000}, 0},
        {"atRefillBoundary", {l.dataStarts[0] + 4096}, 0},
        {"insideDeflatedData", {l.dataStarts[1] + 5}, 0},
        {"atRecordBoundaries", {l.localStarts[1], l.localStarts[3]}, 0},
        {"threeVolumesExe", {l.dataStarts[0] + 2500, l.localStarts[2]}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        testsupport::Run("rm -rf '" + root_ + "/C/OUT' '" + Disk(1) + "' '" + Disk(2) + "' '" + Disk(3) + "'");
        std::vector<size_t> cuts;
        for (size_t cut : c.cuts)
            cuts.push_back(cut + 4);
        ctx.exeVolumes = c.exe;
        configRecord.ArchiveOffset = c.exe ? 700 : 0;
        WriteVolumes(a.bytes, cuts, c.exe ? "SETUP.EXE" : "SETUP.ZIP", c.exe ? std::string(700, 'M') : "");
        Insert(1);
        hostsim::Sim().transcript.clear();
        EXPECT_EQ(Pass(), kGuardDone) << LastBox();
        std::vector<std::string> prompts;
        for (size_t i = 2; i <= cuts.size() + 1; i++)
            prompts.push_back("Please insert disk " + std::to_string(i) + " in drive A:.");
        EXPECT_EQ(Boxes(), prompts);
        for (const ZipMember &m : a.members) {
            if (m.name.back() != '/') {
                EXPECT_TRUE(testsupport::ReadFile(root_ + "/C/OUT/" + m.name) == m.data) << m.name;
            }
        }
    }
}

// A destination on the drive whose disks are changed: each disk gets the
// folders of the members read from it, also folders an earlier disk got.
TEST_F(SpannedTest, DestinationOnTheChangedDrive) {
    SpannedArchive a = MakeSpanned();
    const ZipLayout &l = a.layout;
    testsupport::SetDestination("A:\\OUT");
    // one.bin on disk 1; two.txt and dir/ on disk 2; dir/three.bin on disk 3.
    WriteVolumes(a.bytes, {l.localStarts[1] + 4, l.localStarts[3] + 4}, "SETUP.ZIP");
    Insert(1);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_TRUE(testsupport::ReadFile(Disk(1) + "/OUT/one.bin") == a.members[0].data);
    EXPECT_TRUE(testsupport::ReadFile(Disk(2) + "/OUT/two.txt") == a.members[1].data);
    EXPECT_TRUE(Exists(Disk(2) + "/OUT/dir"));
    EXPECT_TRUE(testsupport::ReadFile(Disk(3) + "/OUT/dir/three.bin") == a.members[3].data);
}

TEST_F(SpannedTest, MemberSkippedAtTheQuestionContinuesOnTheNextDisk) {
    SpannedArchive a = MakeSpanned();
    testsupport::WriteFile(root_ + "/C/OUT/two.txt", "keep me");
    // two.txt's data runs from disk 1 over all of disk 2 onto disk 3.
    size_t start = a.layout.dataStarts[1] + 4;
    WriteVolumes(a.bytes, {start + 10, start + 20}, "SETUP.ZIP");
    Insert(1);
    hostsim::Sim().boxHandler = [this](const hostsim::BoxRecord &box) {
        if (box.text.rfind("File ", 0) == 0)
            return IDNO;
        Insert(atoi(box.text.c_str() + 19));
        return IDOK;
    };
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"File C:\\OUT\\two.txt already exists.  Overwrite file?",
                                                 "Please insert disk 2 in drive A:.",
                                                 "Please insert disk 3 in drive A:."}));
    EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/two.txt"), "keep me");
    EXPECT_TRUE(testsupport::ReadFile(root_ + "/C/OUT/dir/three.bin") == a.members[3].data);
    EXPECT_EQ(ctx.filesExtracted, 2u);
}

TEST_F(SpannedTest, PassesOverUnknownValuesAndStopsAtTheCentralDirectory) {
    ZipLayout l = BuildZip({Member("a.txt", "alpha")});
    // Junk before the member; the central directory is cut short, as if the
    // last disk were missing: it is never read.
    std::string bytes = std::string("PK\x07\x08", 4) + "JUNKjunk" + l.bytes.substr(0, l.centralStarts[0] + 6);
    WriteVolume(1, "SETUP.ZIP", bytes);
    Insert(1);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/a.txt"), "alpha");
}

// A read that fails (-1) is no volume end when it reads member data: read
// error 2 at once, before the disk change or after it. A failed record read
// counts as the volume's end: the next disk is asked for and read on.
TEST_F(SpannedTest, FailedReadsOnADisk) {
    ZipMember a = Member("a.bin", Payload(5000, 7)), b = Member("b.txt", "beta");
    ZipLayout l = BuildZip({a, b});
    std::string bytes = std::string("PK\x07\x08", 4) + l.bytes;
    size_t dataA = l.dataStarts[0] + 4, localB = l.localStarts[1] + 4;
    const std::string readError2 =
        "Error reading A:\\SETUP.EXE.  Possible cause: bad disk or file transfer error. <2>";
    const std::string disk2 = "Please insert disk 2 in drive A:.";
    struct Case {
        const char *label;
        std::string disk1, disk2;
        int badDisk;
        size_t badOffset;
        int code;
        std::vector<std::string> boxes;
        size_t aWritten;      // bytes of a.bin on disk afterwards
    } cases[] = {
        {"data on disk 1", bytes, "", 1, dataA, kGuardFailed, {readError2}, 0},
        {"data behind the disk change", bytes.substr(0, dataA + 2048), bytes.substr(dataA + 2048), 2, 0,
         kGuardFailed, {disk2, readError2}, 2048},
        {"a signature on disk 1", bytes, bytes.substr(localB), 1, localB, kGuardDone, {disk2}, 5000},
    };
    ctx.overwriteWithoutPrompting = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        testsupport::Run("rm -rf '" + root_ + "/C/OUT' '" + Disk(1) + "' '" + Disk(2) + "'");
        WriteVolume(1, "SETUP.ZIP", c.disk1);
        if (!c.disk2.empty())
            WriteVolume(2, "SETUP.ZIP", c.disk2);
        hostsim::Sim().badSpotFile = Disk(c.badDisk) + "/SETUP.ZIP";
        hostsim::Sim().badSpotOffset = (int64_t)c.badOffset;
        hostsim::Sim().transcript.clear();
        Insert(1);
        EXPECT_EQ(Pass(), c.code);
        EXPECT_EQ(Boxes(), c.boxes);
        EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/a.bin").size(), c.aWritten);
        EXPECT_EQ(Exists(root_ + "/C/OUT/b.txt"), c.code == kGuardDone);
    }
}

TEST_F(SpannedTest, RecordStillShortOnTheNextVolume) {
    ZipLayout l = BuildZip({Member("a.txt", "alpha"), Member("b.txt", "beta")});
    std::string bytes = std::string("PK\x07\x08", 4) + l.bytes;
    size_t second = l.localStarts[1] + 4;
    struct Case {
        const char *label;
        std::string disk1, disk2;
        int code;
    } cases[] = {
        {"signature", bytes.substr(0, second), "PK", 8},
        {"localHeader", bytes.substr(0, second + 4), bytes.substr(second + 4, 10), 3},
    };
    ctx.overwriteWithoutPrompting = 1;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        WriteVolume(1, "SETUP.ZIP", c.disk1);
        WriteVolume(2, "SETUP.ZIP", c.disk2);
        Insert(1);
        EXPECT_EQ(Pass(), kGuardFailed);
        EXPECT_EQ(LastBox(), "Error reading A:\\SETUP.EXE.  Possible cause: bad disk or file transfer error. <" +
                                 std::to_string(c.code) + ">");
        EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/a.txt"), "alpha");
    }
}

}  // namespace
