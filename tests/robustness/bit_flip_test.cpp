// Damaged images: every single-bit flip of a small image, and seeded
// corruptions of up to 1 % of the bytes of a larger one. Every case ends
// with one of the program's messages, changes nothing outside the
// destination, and never reports wrong bytes as success: a pass that
// answers 0 has written exactly the files its archive describes, each with
// the CRC-32 of its header. Both sweeps are split into shards that run as
// tests of their own.
#include <gtest/gtest.h>

#include <random>

#include "tests/robustness/robust_fixture.h"

using namespace robust;
using archivetest::Member;
using archivetest::ZipMember;

namespace {

const int kFlipShards = 8;
const int kCorruptionShards = 4;
const int kCorruptions = 10000;
const size_t kPrefix = 32;

// About 3.5 KiB: stored, deflated, encrypted, folder and descriptor members;
// times from an NTFS field, an extended timestamp, both, and the DOS fields.
std::string SmallImage() {
    ZipMember readme = Member("readme.txt", Words(600, 41));
    readme.extra = archivetest::NtfsField(133617192967890123ull);
    ZipMember story = Member("text/story.txt", Words(2500, 42), 8);
    story.extra = archivetest::UnixField(1, {1700000001});
    ZipMember note = Member("note.txt", Words(100, 44));
    note.descriptor = true;
    note.extra = archivetest::UnixField(3, {1700000003, 1700000005}) + archivetest::NtfsField(133617192967890125ull);
    ZipMember dir = Member("dir/");
    dir.extra = std::string(4, 'x');
    ZipMember secret = EncryptedMember("secret.bin", Words(800, 43), 8, false, 45);
    return std::string(kPrefix, 'M') + archivetest::BuildZip({readme, story, dir, secret, note}, "comment").bytes;
}

// About 40 KiB, with members larger than the 2048-byte buffers.
std::string LargerImage() {
    ZipMember note = Member("docs/note.txt", Words(3000, 54), 8);
    note.descriptor = true;
    return std::string(kPrefix, 'M') +
           archivetest::BuildZip({Member("data/table.csv", Words(8000, 51)), Member("text/book.txt", Words(40000, 52), 8),
                                  Member("docs/"), Member("empty.txt"),
                                  EncryptedMember("vault/key.bin", Words(10000, 53), 8, true, 55),
                                  EncryptedMember("vault/raw.bin", Words(3000, 56), 0, false, 57), note})
               .bytes;
}

class BitFlipTest : public RobustTest, public ::testing::WithParamInterface<int> {};

TEST_P(BitFlipTest, EverySingleBitFlip) {
    UsePassword(kPassword);
    const std::string image = SmallImage();
    const int shard = GetParam();
    // The bytes before the archive are never read.
    for (size_t bit = kPrefix * 8 + (size_t)shard; bit < image.size() * 8; bit += kFlipShards) {
        std::string damaged = image;
        damaged[bit / 8] = (char)(damaged[bit / 8] ^ (1 << (bit % 8)));
        RunChecked(damaged, kPrefix, "flip of bit " + std::to_string(bit % 8) + " of byte " + std::to_string(bit / 8));
        if (HasFailure())
            break;
    }
    std::cout << "[ figures  ] single-bit flips of " << image.size() - kPrefix << " bytes, shard " << shard << ": "
              << tally_.Summary() << "\n";
}

INSTANTIATE_TEST_SUITE_P(Shards, BitFlipTest, ::testing::Range(0, kFlipShards));

class CorruptionTest : public RobustTest, public ::testing::WithParamInterface<int> {};

TEST_P(CorruptionTest, SeededCorruptionsOfUpToOnePercent) {
    UsePassword(kPassword);
    const std::string image = LargerImage();
    const int shard = GetParam();
    const int perShard = kCorruptions / kCorruptionShards;
    for (int seed = shard * perShard; seed < (shard + 1) * perShard; seed++) {
        std::mt19937 random((uint32_t)seed);
        std::string damaged = image;
        // Only the archive is damaged: the bytes before it are never read.
        std::uniform_int_distribution<size_t> where(kPrefix, image.size() - 1);
        size_t count = 1 + random() % (image.size() / 100);
        for (size_t i = 0; i < count; i++)
            damaged[where(random)] = (char)random();
        RunChecked(damaged, kPrefix, "corruption seed " + std::to_string(seed));
        if (HasFailure())
            break;
    }
    std::cout << "[ figures  ] corruptions of " << image.size() - kPrefix << " bytes, shard " << shard << ": "
              << tally_.Summary() << "\n";
}

INSTANTIATE_TEST_SUITE_P(Shards, CorruptionTest, ::testing::Range(0, kCorruptionShards));

}  // namespace
