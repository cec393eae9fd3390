// Every prefix of three small images (stored, deflated, encrypted members):
// each cut ends the pass with the read error of the first read that the cut
// leaves short (or with success when only the end comment is cut), keeps
// every member read before the cut whole, and leaves of the member being
// written no more than a true prefix of it.
#include <gtest/gtest.h>

#include "tests/robustness/robust_fixture.h"

using namespace robust;
using archivetest::ZipLayout;
using archivetest::ZipMember;

namespace {

struct Image {
    const char *label;
    std::vector<ZipMember> (*members)();
    bool encrypted;
};

void PrintTo(const Image &image, std::ostream *out) {
    *out << image.label;
}

// One exact-size read of the walk: bytes [start, end) of the archive, and
// the read-error code a short read gives.
struct Read {
    int64_t start, end;
    int code;
    int member;   // the member this read belongs to, -1 for the directory records
};

bool IsFolderName(const std::string &name) {
    return name.back() == '/' || name.back() == '\\';
}

// The reads a pass over the archive makes, in order. Skipped bytes (extra
// fields, descriptors, comments) are sought over and never read.
std::vector<Read> ReadsOf(const ZipLayout &layout, const std::vector<ZipMember> &members) {
    std::vector<Read> reads;
    const std::string &a = layout.bytes;
    auto le16 = [&](size_t at) { return (int64_t)((uint8_t)a[at] | (uint8_t)a[at + 1] << 8); };
    for (size_t i = 0; i < members.size(); i++) {
        int64_t local = (int64_t)layout.localStarts[i], name = (int64_t)layout.nameStarts[i];
        int64_t data = (int64_t)layout.dataStarts[i];
        size_t next = i + 1 < members.size() ? layout.localStarts[i + 1]
                      : layout.centralStarts.empty() ? layout.endStart : layout.centralStarts[0];
        int64_t size = (int64_t)next - data - (members[i].descriptor ? 16 : 0);
        reads.push_back({local, local + 4, 9, (int)i});
        reads.push_back({local + 4, local + 30, 4, (int)i});
        reads.push_back({name, name + (int64_t)members[i].name.size(), 1, (int)i});
        if (IsFolderName(members[i].name))
            continue;
        int64_t header = members[i].flags & 1 ? 12 : 0;
        if (header)
            reads.push_back({data, data + header, 14, (int)i});
        // Empty members read nothing; the walk still counts them done once
        // their header is read.
        reads.push_back({data + header, data + size, 2, (int)i});
    }
    for (size_t central : layout.centralStarts) {
        int64_t c = (int64_t)central;
        reads.push_back({c, c + 4, 9, -1});
        reads.push_back({c + 4, c + 46, 6, -1});
        reads.push_back({c + 46, c + 46 + le16(central + 28), 1, -1});
    }
    int64_t end = (int64_t)layout.endStart;
    reads.push_back({end, end + 4, 9, -1});
    reads.push_back({end + 4, end + 22, 7, -1});
    return reads;
}

class TruncationTest : public RobustTest, public ::testing::WithParamInterface<Image> {};

TEST_P(TruncationTest, EveryPrefixEndsWithItsReadError) {
    const Image &image = GetParam();
    if (image.encrypted)
        UsePassword(kPassword);
    std::vector<ZipMember> members = image.members();
    ZipLayout layout = archivetest::BuildZip(members, "end comment");
    const int64_t prefix = 64;
    std::string whole = std::string(prefix, 'M') + layout.bytes;
    std::vector<Read> reads = ReadsOf(layout, members);

    for (int64_t cut = 0; cut <= (int64_t)whole.size(); cut++) {
        std::string label = std::string(image.label) + " cut at " + std::to_string(cut);
        int64_t available = cut - prefix;   // archive bytes left
        size_t failing = 0;
        while (failing < reads.size() && (reads[failing].end <= available || reads[failing].start == reads[failing].end))
            failing++;
        std::string expected =
            failing == reads.size() ? "success" : "read error " + std::to_string(reads[failing].code);
        // A short read of member data leaves that member's file created and
        // partly written; the password check comes before the file is made.
        int partial = failing < reads.size() && reads[failing].code == 2 ? reads[failing].member : -1;

        Outcome outcome = RunChecked(whole.substr(0, cut), prefix, label);
        ASSERT_EQ(outcome.kind, expected) << label;

        for (size_t i = 0; i < members.size(); i++) {
            if (IsFolderName(members[i].name))
                continue;
            bool done = true;   // every read of this member came before the failing one
            for (size_t r = failing; r < reads.size(); r++)
                done = done && reads[r].member != (int)i;
            std::string path = Destination() + "/" + members[i].name;
            std::string content = testsupport::ReadFile(path);
            if (done)
                ASSERT_TRUE(content == members[i].data) << label << ": " << members[i].name;
            else if ((int)i == partial)
                ASSERT_TRUE(content.size() < members[i].data.size() &&
                            members[i].data.compare(0, content.size(), content) == 0)
                    << label << ": " << members[i].name;
            else
                ASSERT_FALSE(archivetest::Exists(path)) << label << ": " << members[i].name;
        }
    }
    std::cout << "[ figures  ] truncation " << image.label << ": " << tally_.Summary() << "\n";
}

INSTANTIATE_TEST_SUITE_P(Images, TruncationTest,
                         ::testing::Values(Image{"stored", StoredImageMembers, false},
                                           Image{"deflated", DeflatedImageMembers, false},
                                           Image{"encrypted", EncryptedImageMembers, true}),
                         [](const ::testing::TestParamInfo<Image> &info) { return std::string(info.param.label); });

}  // namespace
