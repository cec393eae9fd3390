// Member names that aim outside the destination or at devices, each as a
// file member and as a folder member, into a drive and into a share
// destination: the canary trees beside the destination stay byte-identical,
// no device or outside path is ever tried, and every case ends either with
// the refusal naming the member or with the member inside the destination.
#include <gtest/gtest.h>

#include "archive/member_names.h"
#include "base/error_exit.h"
#include "tests/robustness/robust_fixture.h"

using namespace robust;
using archivetest::Member;

namespace {

struct HostileName {
    std::string name;
    // Where the member lands below the destination; empty when it is refused.
    std::string inside;
};

// "../" repeated up to the longest name accepted.
std::string ClimbingName() {
    std::string name;
    while (name.size() < 200)
        name += "../";
    return name.substr(0, 200);
}

const HostileName kNames[] = {
    {"../x", ""},
    {"..\\x", ""},
    {"a/../../x", ""},
    {"../CANARY/keep.txt", ""},
    {"..\\OUTSIDE\\x", ""},
    {"/x", "x"},
    {"\\x", "x"},
    {"C:x", ""},
    {"C:/x", ""},
    {"\\\\srv\\s\\x", "srv/s/x"},
    {"\\\\?\\C:\\x", ""},
    {"\\\\.\\PhysicalDrive0", ""},
    {"x:stream", ""},
    {"CON", ""},
    {"nul.txt", ""},
    {"COM1", ""},
    {"CONIN$", ""},
    {"a\x01z", ""},
    {"tab\tname", ""},
    {"line\nbreak", ""},
    {"esc\x1b", ""},
    {std::string("nulbyte/inner\0/", 15), ""},
    {std::string("nulbyte\0/../../x", 16), ""},
    {ClimbingName(), ""},
};

std::string Escaped(const std::string &name) {
    std::string shown;
    for (unsigned char c : name) {
        char escape[5];
        snprintf(escape, sizeof escape, "\\x%02X", c);
        shown += c < 32 ? std::string(escape) : std::string(1, (char)c);
    }
    return shown;
}

struct Destination {
    const char *label;
    const char *windowsPath;
    const char *hostRelative;
};

void PrintTo(const Destination &d, std::ostream *out) {
    *out << d.label;
}

class HostileNamesTest : public RobustTest, public ::testing::WithParamInterface<Destination> {};

TEST_P(HostileNamesTest, StayInsideOrAreRefusedByName) {
    UseDestination(GetParam().windowsPath, GetParam().hostRelative);
    for (const HostileName &row : kNames) {
        for (bool folder : {false, true}) {
            std::string name = row.name;
            if (folder)
                name = (name.size() < 200 ? name : name.substr(0, 199)) + "/";
            std::string label = (folder ? "folder " : "file ") + ::testing::PrintToString(name);
            std::string image =
                archivetest::BuildZip({Member("ok.txt", "fine"), Member(name, folder ? "" : "payload"),
                                       Member("later.txt", "after")})
                    .bytes;
            Outcome outcome = RunChecked(image, 0, label);
            if (row.inside.empty()) {
                EXPECT_EQ(outcome.kind, "unsafe name") << label;
                // The message names the whole member, control characters as \xNN.
                EXPECT_EQ(outcome.box, "Unsafe file name in archive: " + Escaped(name)) << label;
                EXPECT_EQ(archivetest::ListTree(Destination()), std::vector<std::string>{"ok.txt"}) << label;
            } else {
                EXPECT_EQ(outcome.kind, "success") << label;
                EXPECT_TRUE(archivetest::Exists(Destination() + "/" + row.inside)) << label;
            }
        }
    }
    std::cout << "[ figures  ] hostile names, " << GetParam().label << ": " << tally_.Summary() << "\n";
}

INSTANTIATE_TEST_SUITE_P(Destinations, HostileNamesTest,
                         ::testing::Values(Destination{"drive", "C:\\OUT", "C/OUT"},
                                           Destination{"share", "\\\\SRV\\S\\OUT", "UNC/SRV/S/OUT"},
                                           Destination{"long_drive", "\\\\?\\C:\\OUT", "C/OUT"},
                                           Destination{"long_share", "\\\\?\\UNC\\SRV\\S\\OUT", "UNC/SRV/S/OUT"}),
                         [](const ::testing::TestParamInfo<Destination> &info) {
                             return std::string(info.param.label);
                         });

}  // namespace
