// Every inner layout of the two time fields up to a little past their proper
// sizes: an NTFS field of every body length with every size its times
// attribute can declare (alone, and with an extended timestamp after it),
// and an extended timestamp of every body length with every combination of
// its three flags. Each member follows one whose long extra field leaves
// other bytes in the kept area, so a decoder that read past a field's body
// would find a time there. Every pass must succeed and stamp each file with
// the time the reference decoder of the oracle gives.
#include <gtest/gtest.h>

#include "tests/robustness/robust_fixture.h"

using namespace robust;
using archivetest::ExtraField;
using archivetest::LittleEndian;
using archivetest::Member;
using archivetest::UnixField;
using archivetest::ZipMember;

namespace {

const int kLongestNtfsBody = 44;        // 4 reserved, tag and size, 24 bytes of times, 12 more
const int kLongestTagSize = 40;
const int kLongestUnixBody = 13;        // flags and three times
const int64_t kUnixTime = 1700000001;
const uint64_t kNtfsTime = 133617192967890123ull;

// Bytes that a time read from them would give as one no file is given.
std::string StaleBytes() {
    return ExtraField(0x7777, std::string(40, '\x33')) + UnixField(1, {12345}) + std::string(8, '\x44');
}

std::string Image(const std::string &extra) {
    ZipMember stale = Member("stale.txt", "s");
    stale.extra = StaleBytes();
    ZipMember timed = Member("timed.txt", "t");
    timed.extra = extra;
    return archivetest::BuildZip({stale, timed}).bytes;
}

class TimeFieldTest : public RobustTest {};

TEST_F(TimeFieldTest, EveryNtfsLayout) {
    std::string pattern = LittleEndian(kNtfsTime, 8) + LittleEndian(kNtfsTime + 1, 8) + LittleEndian(kNtfsTime + 2, 8) +
                          std::string(12, '\x55');
    std::string reservedAndTag = LittleEndian(0, 4) + LittleEndian(1, 2);
    for (int length = 0; length <= kLongestNtfsBody; length++) {
        for (int tagSize = 0; tagSize <= kLongestTagSize; tagSize++) {
            std::string whole = reservedAndTag + LittleEndian((uint64_t)tagSize, 2) + pattern;
            std::string body = whole.substr(0, (size_t)length);
            for (bool unixAfter : {false, true}) {
                std::string extra = ExtraField(0x000A, body) + (unixAfter ? UnixField(1, {kUnixTime}) : "");
                std::string label = "NTFS body " + std::to_string(length) + ", tag size " + std::to_string(tagSize) +
                                    (unixAfter ? ", then a Unix time" : "");
                EXPECT_EQ(RunChecked(Image(extra), 0, label).kind, "success") << label;
            }
        }
        if (HasFailure())
            break;
    }
    std::cout << "[ figures  ] NTFS field layouts: " << tally_.Summary() << "\n";
}

TEST_F(TimeFieldTest, EveryExtendedTimestampLayout) {
    std::string times = LittleEndian((uint64_t)kUnixTime, 4) + LittleEndian(5, 4) + LittleEndian(6, 4);
    for (int length = 0; length <= kLongestUnixBody; length++) {
        for (int flags = 0; flags < 8; flags++) {
            std::string body = (std::string(1, (char)flags) + times).substr(0, (size_t)length);
            std::string label = "Unix body " + std::to_string(length) + ", flags " + std::to_string(flags);
            EXPECT_EQ(RunChecked(Image(ExtraField(0x5455, body)), 0, label).kind, "success") << label;
        }
    }
    std::cout << "[ figures  ] extended timestamp layouts: " << tally_.Summary() << "\n";
}

}  // namespace
