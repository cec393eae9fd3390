// Archives whose declared sizes lie: members that overlap through the
// central directory or hide inside another member's data, members that
// inflate far beyond their declared size, sizes of 0xFFFFFFFF, stored
// members whose two sizes differ, and names, extra fields and comments at
// their 16-bit limits. Each ends with its message, writes no more than the
// member's data really gives, and runs in little memory.
#include <gtest/gtest.h>

#include <functional>

#include "tests/robustness/robust_fixture.h"

using namespace robust;
using archivetest::BuildZip;
using archivetest::Member;
using archivetest::ZipLayout;
using archivetest::ZipMember;

namespace {

// Under AddressSanitizer freed blocks wait in quarantine and the resident
// size says nothing about the pass's own needs.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsMeasurable = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kMemoryIsMeasurable = false;
#else
constexpr bool kMemoryIsMeasurable = true;
#endif
#else
constexpr bool kMemoryIsMeasurable = true;
#endif

void Put16(std::string &bytes, size_t at, uint32_t value) {
    bytes[at] = (char)(value & 0xFF);
    bytes[at + 1] = (char)(value >> 8);
}

void Put32(std::string &bytes, size_t at, uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

// Local-header and central-record field offsets from their signatures.
enum { kLocalCompressed = 18, kLocalName = 26, kLocalExtra = 28, kCentralName = 28, kCentralComment = 32,
       kEndComment = 20 };

const std::string kZeros(32u << 20, '\0');   // 32 MiB: deflates to about 32 KiB
const std::string kText = Words(10000, 21);

// One central record pointing at the only local header, repeated: a walk
// that trusted the directory would write the member 300 times.
std::string OverlappingCentralRecords() {
    ZipLayout z = BuildZip({Member("one.bin", kZeros.substr(0, 1u << 20), 8)});
    std::string central = z.bytes.substr(z.centralStarts[0], z.endStart - z.centralStarts[0]);
    std::string directory;
    for (int i = 0; i < 300; i++)
        directory += central;
    return z.bytes.substr(0, z.centralStarts[0]) + directory + z.bytes.substr(z.endStart);
}

// A complete local header with a stored member, placed inside the declared
// data of a deflated member just where the decoder's last refill ends:
// only a walk that resumes after the declared data is not fooled into it.
std::string MemberHiddenInPadding() {
    std::string stream = archivetest::Deflate(kText.substr(0, 100));
    std::string hidden = BuildZip({Member("hidden.txt", Words(700, 3))}, "", false).bytes;
    hidden = hidden.substr(0, hidden.size() - 22);   // no end record
    std::string padding = std::string(2048 - stream.size(), ' ') + hidden + std::string(100, ' ');
    ZipMember a = Member("a.txt", kText.substr(0, 100), 8);
    a.payloadOverride = stream + padding;
    return BuildZip({a, Member("b.txt", "after")}).bytes;
}

std::string Bomb(bool trueCrc) {
    ZipMember m = Member("bomb.bin", kZeros, 8);
    m.uncompressedOverride = 1024;
    if (!trueCrc)
        m.crcOverride = Crc32(kZeros.substr(0, 1024));
    return BuildZip({m}).bytes;
}

std::string WithLocalField(std::vector<ZipMember> members, size_t index, size_t field, uint32_t value,
                           bool wide) {
    ZipLayout z = BuildZip(members, std::string(3000, 'c'));
    size_t at = z.localStarts[index] + field;
    if (wide)
        Put32(z.bytes, at, value);
    else
        Put16(z.bytes, at, value);
    return z.bytes;
}

std::string StoredSizes(uint32_t compressed, uint32_t uncompressed) {
    ZipMember m = Member("s.bin", kText.substr(0, compressed));
    m.uncompressedOverride = uncompressed;
    return BuildZip({m, Member("next.txt", "next")}).bytes;
}

std::string FolderWithHugeData() {
    ZipMember folder = Member("dir/");
    folder.compressedOverride = 0xFFFFFFFFu;
    return BuildZip({folder, Member("after.txt", "after")}).bytes;
}

std::string LongestExtraField(bool present) {
    ZipMember m = Member("x.txt", "x");
    m.extra = std::string(0xFFFF, 'e');
    std::string bytes = BuildZip({m}).bytes;
    return present ? bytes : bytes.substr(0, 30 + 5 + 100);   // cut inside the extra field
}

std::string LongestCentralComment() {
    ZipLayout z = BuildZip({Member("x.txt", "x")});
    size_t central = z.centralStarts[0];
    Put16(z.bytes, central + kCentralComment, 0xFFFF);
    size_t after = central + 46 + 5;
    return z.bytes.substr(0, after) + std::string(0xFFFF, 'k') + z.bytes.substr(after);
}

std::string LongestEndComment(bool present) {
    ZipLayout z = BuildZip({Member("x.txt", "x")}, present ? std::string(0xFFFF, 'k') : "");
    Put16(z.bytes, z.endStart + kEndComment, 0xFFFF);
    return z.bytes;
}

std::string CentralNameOf0xFFFF() {
    ZipLayout z = BuildZip({Member("x.txt", "x")});
    Put16(z.bytes, z.centralStarts[0] + kCentralName, 0xFFFF);
    return z.bytes;
}

struct BombCase {
    const char *label;
    std::function<std::string()> archive;
    const char *kind;
    // Every file the pass leaves, with its exact size.
    std::map<std::string, size_t> files;
};

const BombCase kCases[] = {
    {"central records overlap one member 300 times", OverlappingCentralRecords, "success", {{"one.bin", 1u << 20}}},
    {"member hidden in the declared data of another", MemberHiddenInPadding, "success",
     {{"a.txt", 100}, {"b.txt", 5}}},
    {"declares 1 KiB, inflates to 32 MiB, CRC of all", [] { return Bomb(true); }, "success",
     {{"bomb.bin", 32u << 20}}},
    {"declares 1 KiB, inflates to 32 MiB, CRC of 1 KiB", [] { return Bomb(false); }, "string 30",
     {{"bomb.bin", 32u << 20}}},
    {"stored, compressed size 0xFFFFFFFF",
     [] { return WithLocalField({Member("s.bin", kText.substr(0, 5000)), Member("t.txt", "t")}, 0,
                                kLocalCompressed, 0xFFFFFFFFu, true); },
     "read error 2", {{"s.bin", 6144}}},
    {"deflated, compressed size 0xFFFFFFFF",
     [] { return WithLocalField({Member("d.txt", kText, 8), Member("t.txt", "t")}, 0, kLocalCompressed,
                                0xFFFFFFFFu, true); },
     "read error 9", {{"d.txt", 10000}}},
    {"uncompressed size 0xFFFFFFFF",
     [] { return WithLocalField({Member("u.txt", kText, 8)}, 0, kLocalCompressed + 4, 0xFFFFFFFFu, true); },
     "success", {{"u.txt", 10000}}},
    {"folder declaring 0xFFFFFFFF data bytes", FolderWithHugeData, "read error 9", {}},
    {"stored, compressed 100, uncompressed 50", [] { return StoredSizes(100, 50); }, "success",
     {{"s.bin", 100}, {"next.txt", 4}}},
    {"stored, compressed 50, uncompressed 100", [] { return StoredSizes(50, 100); }, "success",
     {{"s.bin", 50}, {"next.txt", 4}}},
    {"encrypted, compressed size below the header's",
     [] {
         ZipMember m = Member("e.txt", "e");
         m.flags = 1;
         m.payloadOverride = "12345";
         return BuildZip({m}).bytes;
     },
     "read error 14", {}},
    {"local name length 0xFFFF",
     [] { return WithLocalField({Member("x.txt", "x")}, 0, kLocalName, 0xFFFF, false); }, "string 50", {}},
    {"central name length 0xFFFF", CentralNameOf0xFFFF, "string 50", {{"x.txt", 1}}},
    {"extra field of 65535 bytes", [] { return LongestExtraField(true); }, "success", {{"x.txt", 1}}},
    {"extra field of 65535 bytes cut short", [] { return LongestExtraField(false); }, "read error 2",
     {{"x.txt", 0}}},
    {"central comment of 65535 bytes", LongestCentralComment, "success", {{"x.txt", 1}}},
    {"end comment of 65535 bytes", [] { return LongestEndComment(true); }, "success", {{"x.txt", 1}}},
    {"end comment length 0xFFFF, no comment", [] { return LongestEndComment(false); }, "success",
     {{"x.txt", 1}}},
};

class BombsTest : public RobustTest {};

TEST_F(BombsTest, DeclaredSizesNeverBuyMoreThanTheDataGives) {
    UsePassword(kPassword);
    long largestGrowth = 0;
    for (const BombCase &c : kCases) {
        long growth = 0;
        Outcome outcome = RunChecked(c.archive(), 0, c.label, &growth);
        EXPECT_EQ(outcome.kind, c.kind) << c.label << ": " << outcome.box;
        std::map<std::string, size_t> files;
        for (const auto &entry : SnapshotTree(Destination(), {}))
            if (entry.first.back() != '/')
                files[entry.first] = entry.second.size();
        EXPECT_EQ(files, c.files) << c.label;
        if (kMemoryIsMeasurable) {
            EXPECT_LT(growth, 4096) << c.label << ": peak memory grew by KiB";
        }
        largestGrowth = std::max(largestGrowth, growth);
    }
    std::cout << "[ figures  ] bombs: " << tally_.Summary() << "; largest peak memory growth " << largestGrowth
              << " KiB\n";
}

}  // namespace
