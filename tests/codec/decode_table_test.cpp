// The table builder: its answers for complete, incomplete, over-subscribed and
// empty codes, the root width it hands back, and that every code of a
// (multi-level) table leads to its own symbol.
#include <gtest/gtest.h>

#include "codec/decode_table.h"
#include "codec/deflate_format.h"
#include "tests/codec/codec_harness.h"
#include "tests/support/test_support.h"

namespace {

class DecodeTableTest : public ::testing::Test {
protected:
    void SetUp() override { root_ = testsupport::FreshMachine("table"); }
    void TearDown() override { testsupport::ReleaseMachine(root_); }
    std::string root_;
};

struct TableCase {
    const char *name;
    std::vector<int> lengths;
    unsigned askedBits;
    int result;
    unsigned bits;
    bool table;
};

TEST_F(DecodeTableTest, AnswersAndRootWidth) {
    std::vector<int> fixedLiterals(288, 8);
    for (int i = 144; i < 256; i++)
        fixedLiterals[i] = 9;
    for (int i = 256; i < 280; i++)
        fixedLiterals[i] = 7;
    const TableCase cases[] = {
        {"no symbols", {0, 0, 0, 0}, 9, kTableComplete, 0, false},
        {"two 1-bit codes", {1, 1}, 9, kTableComplete, 1, true},
        {"a lone 1-bit code counts as complete", {0, 1, 0}, 6, kTableComplete, 1, true},
        {"a lone 2-bit code", {0, 2}, 6, kTableIncomplete, 2, true},
        {"incomplete with longer codes", {1, 2, 3}, 9, kTableIncomplete, 3, true},
        {"complete over three lengths", {1, 2, 3, 3}, 9, kTableComplete, 3, true},
        {"over-subscribed at the shortest length", {1, 1, 1}, 9, kTableOversubscribed, 1, false},
        {"over-subscribed at a middle length", {1, 2, 2, 3}, 9, kTableOversubscribed, 3, false},
        {"over-subscribed at the longest length", {2, 2, 2, 3, 3, 3}, 9, kTableOversubscribed, 3, false},
        {"root narrowed to the longest code", {2, 2, 2, 3, 3}, 9, kTableComplete, 3, true},
        {"root widened to the shortest code", std::vector<int>(256, 8), 6, kTableComplete, 8, true},
        {"fixed literal/length code", fixedLiterals, 7, kTableComplete, 7, true},
        {"fixed distance code leaves two codes unassigned", std::vector<int>(30, 5), 5, kTableIncomplete, 5, true},
    };
    for (const TableCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint16_t> lengths(c.lengths.begin(), c.lengths.end());
        HuffmanEntry *table = nullptr;
        unsigned bits = c.askedBits;
        int result = BuildDecodeTable(lengths.data(), (unsigned)lengths.size(), 257, lengthBase, lengthExtra,
                                      &table, &bits);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.bits, bits);
        EXPECT_EQ(c.table, table != nullptr);
        FreeDecodeTables(table);
    }
}

// Looks a code up the way the decoder does; answers the entry and the bits
// it took.
static HuffmanEntry Lookup(const HuffmanEntry *table, unsigned rootBits, uint32_t stream, unsigned *taken) {
    HuffmanEntry entry = table[stream & LowBitsMask(rootBits)];
    *taken = 0;
    while (entry.Operation > kOpLiteral && entry.Operation != kOpInvalid) {
        *taken += entry.CodeBits;
        stream >>= entry.CodeBits;
        entry = table[entry.Value + (stream & LowBitsMask(entry.Operation - kOpLinkBase))];
    }
    *taken += entry.CodeBits;
    return entry;
}

static uint32_t Reversed(uint32_t code, unsigned length) {
    uint32_t out = 0;
    for (unsigned i = 0; i < length; i++)
        out |= ((code >> i) & 1) << (length - 1 - i);
    return out;
}

// Complete codes of up to 15 bits and up to 288 symbols, grown by splitting
// random leaves, looked up through roots of 5..9 bits: every symbol's code,
// whatever bits follow it, reaches that symbol and takes exactly its length.
TEST_F(DecodeTableTest, EveryCodeReachesItsSymbol) {
    uint64_t state = 7;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (uint32_t)(state >> 11);
    };
    for (int round = 0; round < 400; round++) {
        unsigned symbols = 2 + next() % (round % 2 ? 29 : 287);
        std::vector<int> lengths = {1, 1};
        while (lengths.size() < symbols) {
            size_t leaf = next() % lengths.size();
            if (lengths[leaf] == kMaxCodeBits)
                continue;
            lengths[leaf]++;
            lengths.push_back(lengths[leaf]);
        }
        std::vector<uint16_t> stored(lengths.begin(), lengths.end());
        std::vector<uint32_t> codes = codectest::CanonicalCodes(lengths);
        unsigned asked = 5 + round % 5;
        HuffmanEntry *table = nullptr;
        unsigned bits = asked;
        ASSERT_EQ(kTableComplete, BuildDecodeTable(stored.data(), symbols, symbols, nullptr, nullptr, &table, &bits));
        for (unsigned symbol = 0; symbol < symbols; symbol++) {
            for (uint32_t tail : {0u, 0xFFFFu, next()}) {
                unsigned length = (unsigned)lengths[symbol];
                uint32_t stream = Reversed(codes[symbol], length) | (tail << length);
                unsigned taken;
                HuffmanEntry entry = Lookup(table, bits, stream, &taken);
                ASSERT_EQ(symbol, entry.Value) << "round " << round;
                ASSERT_EQ(length, taken) << "round " << round;
            }
        }
        FreeDecodeTables(table);
    }
}

}  // namespace
