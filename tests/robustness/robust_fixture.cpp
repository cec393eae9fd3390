#include "tests/robustness/robust_fixture.h"

#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "archive/extraction_pass.h"
#include "base/error_exit.h"
#include "image/config_record.h"

namespace fs = std::filesystem;
using archivetest::Member;
using archivetest::ZipMember;

namespace robust {

const char kPassword[] = "secret";

void Tally::Add(const Outcome &outcome, double seconds, const std::string &label) {
    kinds[outcome.kind]++;
    cases++;
    if (seconds > slowestSeconds) {
        slowestSeconds = seconds;
        slowestLabel = label;
    }
}

std::string Tally::Summary() const {
    std::ostringstream s;
    s << cases << " cases:";
    const char *separator = " ";
    for (const auto &k : kinds) {
        s << separator << k.first << " " << k.second;
        separator = ", ";
    }
    s << "; slowest " << slowestSeconds << " s (" << slowestLabel << ")";
    return s.str();
}

std::string Words(size_t n, uint32_t seed) {
    std::string s;
    while (s.size() < n) {
        seed = seed * 1664525u + 1013904223u;
        size_t length = 2 + (seed >> 29);
        for (size_t i = 0; i < length && s.size() < n; i++) {
            seed = seed * 1664525u + 1013904223u;
            s += (char)('a' + (seed >> 24) % 26);
        }
        if (s.size() < n)
            s += (seed & 0x300) ? ' ' : '\n';
    }
    return s;
}

ZipMember EncryptedMember(const std::string &name, const std::string &data, uint16_t method, bool descriptor,
                          uint32_t seed) {
    ZipMember m = Member(name, data, method);
    m.flags = 1;
    m.descriptor = descriptor;
    uint8_t check = descriptor ? (uint8_t)(m.time >> 8) : (uint8_t)(Crc32(data) >> 24);
    m.payloadOverride = EncryptPayload(kPassword, method == 8 ? archivetest::Deflate(data) : data, check, seed);
    return m;
}

std::vector<ZipMember> StoredImageMembers() {
    ZipMember note = Member("docs/note.txt", Words(100, 4));
    note.descriptor = true;
    ZipMember docs = Member("docs/");
    docs.extra = std::string(9, 'x');
    return {Member("readme.txt", Words(700, 1)), Member("data/table.csv", Words(2300, 2)), Member("empty.txt"),
            docs, note};
}

std::vector<ZipMember> DeflatedImageMembers() {
    ZipMember tail = Member("tail.bin", Words(300, 7) + std::string(40, '\0'), 8);
    tail.descriptor = true;
    ZipMember dir = Member("dir/");
    dir.extra = std::string(5, 'e');
    return {Member("text/story.txt", Words(6000, 5), 8), Member("small.txt", "hello, hello, hello, hello", 8), dir,
            tail};
}

std::vector<ZipMember> EncryptedImageMembers() {
    return {EncryptedMember("secret/a.txt", Words(3000, 8), 8, false, 11),
            EncryptedMember("secret/b.bin", Words(500, 9), 0, true, 12), Member("plain.txt", Words(200, 10))};
}

// --- the time bound ---------------------------------------------------------

static char deadlineLabel[256];
static pid_t deadlineChild;   // a pass running in a child process ends with it

static void OnDeadline(int) {
    if (deadlineChild > 0)
        kill(deadlineChild, SIGKILL);
    static const char prefix[] = "a pass did not end within its bound: ";
    ssize_t ignored = write(2, prefix, sizeof prefix - 1);
    ignored = write(2, deadlineLabel, strlen(deadlineLabel));
    ignored = write(2, "\n", 1);
    (void)ignored;
    _exit(70);
}

Deadline::Deadline(const std::string &label, unsigned seconds) {
    snprintf(deadlineLabel, sizeof deadlineLabel, "%s", label.c_str());
    signal(SIGALRM, OnDeadline);
    alarm(seconds);
}

Deadline::~Deadline() {
    alarm(0);
}

// --- the fixture --------------------------------------------------------------

void RobustTest::SetUp() {
    ExtractionTest::SetUp();
    ctx.overwriteWithoutPrompting = 1;
    // Canaries where a hostile name would land: beside the destination, in
    // a folder whose name starts like it, at the drive root, on another
    // drive and on a share.
    testsupport::WriteFile(root_ + "/C/CANARY/keep.txt", "canary");
    testsupport::WriteFile(root_ + "/C/CANARY/sub/deep.txt", "deep canary");
    testsupport::WriteFile(root_ + "/C/OUTSIDE/x", "beside");
    testsupport::WriteFile(root_ + "/C/x", "root x");
    testsupport::WriteFile(root_ + "/C/evil.txt", "original");
    testsupport::WriteFile(root_ + "/D/x", "drive d");
    testsupport::WriteFile(root_ + "/UNC/SRV/S/x", "share");
    UseDestination("C:\\OUT", "C/OUT");
}

void RobustTest::UseDestination(const std::string &windowsPath, const std::string &hostRelative) {
    testsupport::SetDestination(windowsPath.c_str());
    destinationHost_ = hostRelative;
    outside_ = SnapshotTree(root_, {destinationHost_, "C/DL"});
}

std::string RobustTest::OutsideChanges() const {
    return SnapshotDifferences(outside_, SnapshotTree(root_, {destinationHost_, "C/DL"}));
}

void RobustTest::UsePassword(const char *password) {
    if (ctx.passwordText)
        GlobalFree(GlobalHandle(ctx.passwordText));
    ctx.passwordText = (char *)GlobalAlloc(GPTR, strlen(password) + 1);
    lstrcpyA(ctx.passwordText, password);
}

Outcome RobustTest::Classify(int code) {
    Outcome outcome;
    outcome.code = code;
    const auto &boxes = hostsim::Sim().transcript;
    outcome.box = boxes.empty() ? "" : boxes.back().text;
    if (code == kGuardDone)
        outcome.kind = "success";
    else if (code == kGuardCancelled)
        outcome.kind = "cancelled";
    else if (boxes.empty() || boxes.back().style != MB_ICONERROR)
        outcome.kind = "silent abort";
    else
        outcome.kind = MessageKind(outcome.box);
    return outcome;
}

static long PeakResidentKiB() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// The child runs the pass and sends back its code, its peak growth and its
// classified outcome; the files it wrote are on the shared disk.
Outcome RobustTest::PassInChild(const std::string &label, long *peakGrowthKiB) {
    int channel[2];
    if (pipe(channel) != 0)
        return Outcome();
    pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        long before = PeakResidentKiB();
        int code = ExtractionPass();
        long growth = PeakResidentKiB() - before;
        Outcome outcome = Classify(code);
        std::string report = std::to_string(code) + "\n" + std::to_string(growth) + "\n" +
                             std::to_string(hostsim::Sim().timesSet.size()) + "\n";
        // Each time record: its three values and the path's length, then the path.
        for (const hostsim::TimeRecord &t : hostsim::Sim().timesSet)
            report += std::to_string(t.created) + " " + std::to_string(t.accessed) + " " +
                      std::to_string(t.written) + " " + std::to_string(t.path.size()) + "\n" + t.path;
        report += outcome.kind + "\n" + outcome.box;
        ssize_t ignored = write(channel[1], report.data(), report.size());
        (void)ignored;
        _exit(0);
    }
    close(channel[1]);
    deadlineChild = child;
    std::string report;
    char buffer[4096];
    {
        Deadline deadline(label, 120);
        ssize_t got;
        while ((got = read(channel[0], buffer, sizeof buffer)) > 0)
            report.append(buffer, (size_t)got);
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    deadlineChild = 0;
    std::istringstream lines(report);
    std::string code, growth, stamps;
    Outcome outcome;
    std::getline(lines, code);
    std::getline(lines, growth);
    std::getline(lines, stamps);
    for (unsigned long i = 0, n = stamps.empty() ? 0 : std::stoul(stamps); i < n; i++) {
        hostsim::TimeRecord t;
        size_t length = 0;
        lines >> t.created >> t.accessed >> t.written >> length;
        lines.ignore(1);
        t.path.resize(length);
        lines.read(&t.path[0], (std::streamsize)length);
        hostsim::Sim().timesSet.push_back(t);
    }
    std::getline(lines, outcome.kind);
    std::getline(lines, outcome.box, '\0');
    outcome.code = code.empty() ? -1 : std::stoi(code);
    *peakGrowthKiB = growth.empty() ? -1 : std::stol(growth);
    if (code.empty())
        outcome.kind = "child ended without a report";
    return outcome;
}

Outcome RobustTest::RunCase(const std::string &image, uint32_t archiveOffset, const std::string &label,
                            long *peakGrowthKiB) {
    std::error_code ignored;
    fs::remove_all(Destination(), ignored);
    hostsim::Sim().transcript.clear();
    hostsim::Sim().timesSet.clear();
    testsupport::WriteFile(root_ + "/C/DL/TEST.EXE", image);
    configRecord.ArchiveOffset = archiveOffset;
    ctx.archiveFile = _lopen("C:\\DL\\TEST.EXE", OF_READ | OF_SHARE_DENY_WRITE);
    ctx.filesExtracted = 0;
    ctx.bytesWritten = 0;
    ctx.lastMeterMark = 0;

    Outcome outcome;
    auto start = std::chrono::steady_clock::now();
    if (peakGrowthKiB) {
        outcome = PassInChild(label, peakGrowthKiB);
    } else {
        Deadline deadline(label, 60);
        outcome = Classify(ExtractionPass());
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (ctx.archiveFile > 0)
        _lclose(ctx.archiveFile);
    ctx.archiveFile = 0;
    tally_.Add(outcome, seconds, label);
    return outcome;
}

Outcome RobustTest::RunChecked(const std::string &image, uint32_t archiveOffset, const std::string &label,
                               long *peakGrowthKiB) {
    Outcome outcome = RunCase(image, archiveOffset, label, peakGrowthKiB);
    EXPECT_EQ(outcome.kind.rfind("unknown", 0), std::string::npos) << label << ": " << outcome.kind;
    EXPECT_EQ(OutsideChanges(), "") << label;
    EXPECT_EQ(hostsim::Sim().refusedPaths, 0u) << label;
    EXPECT_EQ(ctx.outputFile, 0) << label;
    if (outcome.code == kGuardDone) {
        std::string archive = archiveOffset <= image.size() ? image.substr(archiveOffset) : "";
        EXPECT_EQ(SuccessDifferences(WalkArchiveBytes(archive), Destination()), "") << label;
    }
    return outcome;
}

}  // namespace robust
