// The host layer fails the k-th file creation, write, short write, folder
// creation or time setting, for every k a pass over a small archive makes:
// each k ends with its message (the time is not examined: success), every
// member finished before the fault stays whole, the member being written
// holds no more than a true prefix of itself, and nothing after it exists.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/robustness/robust_fixture.h"

using namespace robust;
using archivetest::Member;
using archivetest::ZipMember;

namespace {

struct Fault {
    const char *label;
    hostsim::FaultOp op;
    const char *kind;
};

void PrintTo(const Fault &f, std::ostream *out) {
    *out << f.label;
}

std::vector<ZipMember> SmallArchive() {
    return {Member("a.txt", Words(3000, 31)),
            Member("d1/d2/b.txt", Words(5000, 32), 8),
            Member("e/"),
            Member("empty.txt"),
            EncryptedMember("f/c.bin", Words(2500, 33), 8, false, 34),
            Member("g/h/tail.txt", Words(10, 35))};
}

std::string WindowsPath(const std::string &name) {
    std::string path = "C:\\OUT\\" + name;
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

class FaultsTest : public RobustTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(FaultsTest, EveryKEndsWithItsMessageAndLosesNothing) {
    const Fault &fault = GetParam();
    UsePassword(kPassword);
    std::vector<ZipMember> members = SmallArchive();
    std::string image = archivetest::BuildZip(members).bytes;
    std::vector<ZipMember> files;
    for (const ZipMember &m : members)
        if (m.name.back() != '/')
            files.push_back(m);

    for (unsigned k = 1;; k++) {
        std::string label = std::string(fault.label) + " k=" + std::to_string(k);
        hostsim::State &sim = hostsim::Sim();
        for (unsigned &calls : sim.calls)
            calls = 0;
        sim.failAt[fault.op] = k;
        Outcome outcome = RunChecked(image, 0, label);
        if (sim.calls[fault.op] < k) {
            // Fewer calls than k: the fault never came, the pass is whole.
            EXPECT_EQ(outcome.kind, "success") << label;
            break;
        }
        ASSERT_EQ(outcome.kind, fault.kind) << label << ": " << outcome.box;

        // The members finished before the fault, then at most one partly
        // written, then nothing.
        size_t whole = 0;
        auto content = [&](size_t i) { return testsupport::ReadFile(Destination() + "/" + files[i].name); };
        auto exists = [&](size_t i) { return archivetest::Exists(Destination() + "/" + files[i].name); };
        while (whole < files.size() && exists(whole) && content(whole) == files[whole].data)
            whole++;
        if (fault.op == hostsim::kFaultSetTime) {
            EXPECT_EQ(whole, files.size()) << label;
            continue;
        }
        ASSERT_LT(whole, files.size()) << label;
        if (exists(whole)) {
            std::string partial = content(whole);
            EXPECT_TRUE(partial.size() < files[whole].data.size() &&
                        files[whole].data.compare(0, partial.size(), partial) == 0)
                << label;
        }
        for (size_t i = whole + 1; i < files.size(); i++)
            EXPECT_FALSE(exists(i)) << label << ": " << files[i].name;
        // The message names the member; a folder message names a folder on
        // the way to the first member not yet whole (or to a folder member
        // just before it).
        std::string path = WindowsPath(files[whole].name);
        if (fault.op != hostsim::kFaultMakeFolder) {
            EXPECT_NE(outcome.box.find(path), std::string::npos) << label << ": " << outcome.box;
            continue;
        }
        size_t open = outcome.box.find('"'), close = outcome.box.find('"', open + 1);
        std::string folder = outcome.box.substr(open + 1, close - open - 1) + "\\";
        bool onTheWay = false;
        size_t first = whole == 0 ? 0 : (size_t)(std::find_if(members.begin(), members.end(), [&](const ZipMember &m) {
                                                     return m.name == files[whole - 1].name;
                                                 }) - members.begin()) + 1;
        for (size_t i = first; i < members.size() && !onTheWay; i++) {
            onTheWay = (WindowsPath(members[i].name) + "\\").compare(0, folder.size(), folder) == 0;
            if (members[i].name == files[whole].name)
                break;
        }
        EXPECT_TRUE(onTheWay) << label << ": " << outcome.box;
    }
    std::cout << "[ figures  ] faults, " << fault.label << ": " << tally_.Summary() << "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Operations, FaultsTest,
    ::testing::Values(Fault{"create", hostsim::kFaultCreate, "string 28"},
                      Fault{"write", hostsim::kFaultWrite, "string 35"},
                      Fault{"shortWrite", hostsim::kFaultShortWrite, "string 35"},
                      Fault{"makeFolder", hostsim::kFaultMakeFolder, "string 32"},
                      Fault{"setTime", hostsim::kFaultSetTime, "success"}),
    [](const ::testing::TestParamInfo<Fault> &info) { return std::string(info.param.label); });

}  // namespace
