// Hand-made streams, field by field, for the decoder's edges: stored blocks,
// header limits, repeat codes, incomplete and over-subscribed codes, missing
// tables, references before the stream and across the window's end, invalid
// fixed symbols, input that runs out and a destination that is too small.
#include <gtest/gtest.h>

#include "base/error_exit.h"
#include "codec/inflate.h"
#include "platform/host/host_control.h"
#include "tests/codec/codec_harness.h"
#include "tests/support/test_support.h"

namespace {

using codectest::BitWriter;
using codectest::Decoded;

// --- stream pieces -------------------------------------------------------

void StoredBlock(BitWriter &w, bool last, const std::string &bytes) {
    w.Put(last, 1);                          // BFINAL
    w.Put(0, 2);                             // BTYPE 00: stored
    w.AlignToByte();
    w.Put((uint32_t)bytes.size(), 16);       // LEN
    w.Put(~(uint32_t)bytes.size(), 16);      // NLEN
    w.PutBytes(bytes);
}

void FixedHeader(BitWriter &w, bool last) {
    w.Put(last, 1);                          // BFINAL
    w.Put(1, 2);                             // BTYPE 01: fixed codes
}

// A literal/length symbol of the fixed code (RFC 1951 3.2.6).
void FixedSymbol(BitWriter &w, unsigned symbol) {
    if (symbol < 144)
        w.PutCode(0x30 + symbol, 8);
    else if (symbol < 256)
        w.PutCode(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        w.PutCode(symbol - 256, 7);
    else
        w.PutCode(0xC0 + symbol - 280, 8);
}

struct Coded {
    unsigned symbol, extra, extraBits;
};

Coded LengthCode(unsigned length) {
    static const unsigned base[] = {3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 15, 17, 19, 23, 27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const unsigned bits[] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    unsigned i = 28;
    while (base[i] > length)
        i--;
    return {257 + i, length - base[i], bits[i]};
}

Coded DistanceCode(unsigned distance) {
    static const unsigned base[] = {1, 2, 3, 4, 5, 7, 9, 13, 17, 25, 33, 49, 65, 97, 129,
                                    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    unsigned i = 29;
    while (base[i] > distance)
        i--;
    return {i, distance - base[i], i < 4 ? 0 : i / 2 - 1};
}

void FixedMatch(BitWriter &w, unsigned length, unsigned distance) {
    Coded l = LengthCode(length), d = DistanceCode(distance);
    FixedSymbol(w, l.symbol);
    w.Put(l.extra, l.extraBits);
    w.PutCode(d.symbol, 5);                  // fixed distance codes are 5 bits
    w.Put(d.extra, d.extraBits);
}

void FixedLiterals(BitWriter &w, const std::string &text) {
    for (char c : text)
        FixedSymbol(w, (uint8_t)c);
}

// A dynamic block header. `steps` are the code-length symbols as sent:
// {symbol, repeat-extra}. The code-length code gives each of the 19 symbols
// the length in `codeLengthLengths` (in symbol order).
struct DynamicHeader {
    unsigned hlitField, hdistField;
    std::vector<int> codeLengthLengths;      // 19 entries, symbol order
    std::vector<std::pair<unsigned, unsigned>> steps;
};

void PutDynamicHeader(BitWriter &w, bool last, const DynamicHeader &h) {
    static const unsigned order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    w.Put(last, 1);                          // BFINAL
    w.Put(2, 2);                             // BTYPE 10: dynamic codes
    w.Put(h.hlitField, 5);                   // HLIT - 257
    w.Put(h.hdistField, 5);                  // HDIST - 1
    unsigned hclen = 19;
    while (hclen > 4 && h.codeLengthLengths[order[hclen - 1]] == 0)
        hclen--;
    w.Put(hclen - 4, 4);                     // HCLEN - 4
    for (unsigned j = 0; j < hclen; j++)
        w.Put(h.codeLengthLengths[order[j]], 3);
    std::vector<uint32_t> codes = codectest::CanonicalCodes(h.codeLengthLengths);
    for (auto [symbol, extra] : h.steps) {
        w.PutCode(codes[symbol], h.codeLengthLengths[symbol]);
        if (symbol == 16)
            w.Put(extra, 2);
        else if (symbol == 17)
            w.Put(extra, 3);
        else if (symbol == 18)
            w.Put(extra, 7);
    }
}

// A code-length code in which every length 0..15 and the three repeats have
// 5-bit codes (19 of 32: incomplete, so the code-length code itself is
// refused) -- except that 13 of them get 4 bits to make it complete.
std::vector<int> FullCodeLengthCode() {
    std::vector<int> lengths(19, 5);
    for (int i = 0; i < 13; i++)
        lengths[i] = 4;
    return lengths;                          // 13/16 + 6/32 = 1
}

// Steps that send `lengths` one by one (no repeats).
std::vector<std::pair<unsigned, unsigned>> Plain(const std::vector<int> &lengths) {
    std::vector<std::pair<unsigned, unsigned>> steps;
    for (int length : lengths)
        steps.push_back({(unsigned)length, 0});
    return steps;
}

// A dynamic block with the given code lengths, sending `symbols`
// (literal/length symbols with their extras, then distances) through them.
struct Sent {
    unsigned symbol, extra = 0, extraBits = 0;
    bool distance = false;
};

std::string DynamicStream(const std::vector<int> &litLengths, const std::vector<int> &distLengths,
                          const std::vector<Sent> &symbols) {
    BitWriter w;
    std::vector<int> all = litLengths;
    all.insert(all.end(), distLengths.begin(), distLengths.end());
    PutDynamicHeader(w, true,
                     {(unsigned)litLengths.size() - 257, (unsigned)distLengths.size() - 1, FullCodeLengthCode(),
                      Plain(all)});
    std::vector<uint32_t> litCodes = codectest::CanonicalCodes(litLengths);
    std::vector<uint32_t> distCodes = codectest::CanonicalCodes(distLengths);
    for (const Sent &s : symbols) {
        if (s.distance)
            w.PutCode(distCodes[s.symbol], distLengths[s.symbol]);
        else
            w.PutCode(litCodes[s.symbol], litLengths[s.symbol]);
        w.Put(s.extra, s.extraBits);
    }
    return w.Bytes();
}

// Literal/length lengths over 286 symbols that make a complete code: 226
// codes of 8 bits and 60 of 9.
std::vector<int> CompleteLiterals(unsigned count = 286) {
    std::vector<int> lengths(count, 0);
    unsigned eight = count == 286 ? 226 : 2 * 256 - count;
    for (unsigned i = 0; i < count; i++)
        lengths[i] = i < eight ? 8 : 9;
    return lengths;
}

// --- fixture -------------------------------------------------------------

class InflateStreamsTest : public ::testing::Test {
protected:
    void SetUp() override { root_ = testsupport::FreshMachine("inflate-streams"); }
    void TearDown() override { testsupport::ReleaseMachine(root_); }
    std::string root_;
};

struct StreamCase {
    const char *name;
    std::string stream;
    int result;
    std::string output;      // checked when result is 0
};

void CheckCases(const std::vector<StreamCase> &cases) {
    for (const StreamCase &c : cases) {
        SCOPED_TRACE(c.name);
        Decoded file = codectest::DecodeFile(c.stream);
        EXPECT_EQ(c.result, file.result);
        bool overran = true;
        Decoded memory = codectest::DecodeMemory(c.stream, 100000, &overran);
        EXPECT_EQ(c.result, memory.result);
        EXPECT_FALSE(overran);
        if (c.result == kInflateOk) {
            EXPECT_EQ(c.output, file.output);
            EXPECT_EQ(c.output, memory.output);
            std::string reference;
            if (codectest::ZlibInflate(c.stream, &reference)) {
                EXPECT_EQ(reference, file.output);
            }
        }
    }
}

TEST_F(InflateStreamsTest, StoredBlocksAndBlockTypes) {
    std::vector<StreamCase> cases;
    {
        BitWriter w;
        StoredBlock(w, false, "");             // LEN 0, NLEN 0xFFFF: nothing
        StoredBlock(w, true, "hello");
        cases.push_back({"empty stored block, then data", w.Bytes(), kInflateOk, "hello"});
    }
    {
        BitWriter w;
        FixedHeader(w, false);
        FixedLiterals(w, "ab");
        FixedSymbol(w, 256);                   // end of block, mid-byte
        StoredBlock(w, true, "cd");            // starts at the next byte boundary
        cases.push_back({"stored block after a fixed block", w.Bytes(), kInflateOk, "abcd"});
    }
    {
        BitWriter w;
        w.Put(1, 1);                           // BFINAL
        w.Put(0, 2);                           // stored
        w.AlignToByte();
        w.Put(5, 16);                          // LEN 5
        w.Put(0xFFFB, 16);                     // NLEN of 4
        w.PutBytes("hello");
        cases.push_back({"NLEN not the complement of LEN", w.Bytes(), kInflateDataError, ""});
    }
    {
        BitWriter w;
        w.Put(1, 1);                           // BFINAL
        w.Put(3, 2);                           // BTYPE 11: reserved
        w.Put(0, 13);
        cases.push_back({"block type 3", w.Bytes(), kInflateBadBlock, ""});
    }
    {
        std::string big = codectest::SampleData("random").substr(0, 40000);
        BitWriter w;
        StoredBlock(w, false, big.substr(0, 32767));   // one short of the window's end
        StoredBlock(w, false, big.substr(32767, 2));   // fills it and runs on
        StoredBlock(w, true, big.substr(32769));
        cases.push_back({"stored blocks across the window's end", w.Bytes(), kInflateOk, big});
    }
    CheckCases(cases);
}

TEST_F(InflateStreamsTest, DynamicHeaderLimits) {
    std::vector<StreamCase> cases;
    std::vector<int> distances(30, 5);
    distances[0] = distances[1] = 4;           // 2/16 + 28/32 = 1
    std::vector<Sent> hello = {{'h'}, {'i'}, {257 + 2}, {0, 0, 0, true}, {256}};   // "hi", length 5 at distance 1
    cases.push_back({"HLIT 286 and HDIST 30 pass", DynamicStream(CompleteLiterals(), distances, hello), kInflateOk,
                     "hiiiiii"});
    for (unsigned field : {30u, 31u}) {
        BitWriter w;
        PutDynamicHeader(w, true, {field, 0, FullCodeLengthCode(), {}});
        cases.push_back({"HLIT field 30/31", w.Bytes(), kInflateDataError, ""});
        BitWriter v;
        PutDynamicHeader(v, true, {0, field, FullCodeLengthCode(), {}});
        cases.push_back({"HDIST field 30/31", v.Bytes(), kInflateDataError, ""});
    }
    CheckCases(cases);
}

// The literal/length lengths most repeat cases use: HLIT 258, symbols 0..253
// of 8 bits, 254..257 of 9 (254/256 + 4/512 = 1), sent as one 8, 42 repeats
// of six, one more 8, a 9 and a repeat of three.
std::vector<std::pair<unsigned, unsigned>> LiteralSteps() {
    std::vector<std::pair<unsigned, unsigned>> steps = {{8, 0}};
    for (int i = 0; i < 42; i++)
        steps.push_back({16, 3});                // previous length, 3 + 3 times
    steps.push_back({8, 0});
    steps.push_back({9, 0});
    steps.push_back({16, 0});                    // previous length, 3 + 0 times
    return steps;
}

// A dynamic block from the header steps, then "ABC", a match of length 3
// (symbol 257) at the first distance symbol that has a code (distance =
// symbol + 1), and the end of block.
std::string RepeatStream(std::vector<std::pair<unsigned, unsigned>> steps, unsigned hlitField,
                         unsigned hdistField, const std::vector<int> &litLengths,
                         const std::vector<int> &distLengths) {
    BitWriter w;
    PutDynamicHeader(w, true, {hlitField, hdistField, FullCodeLengthCode(), steps});
    std::vector<uint32_t> lit = codectest::CanonicalCodes(litLengths);
    std::vector<uint32_t> dist = codectest::CanonicalCodes(distLengths);
    unsigned distanceSymbol = 0;
    while (distLengths[distanceSymbol] == 0)
        distanceSymbol++;
    w.PutCode(lit['A'], litLengths['A']);        // literal 'A'
    w.PutCode(lit['B'], litLengths['B']);        // literal 'B'
    w.PutCode(lit['C'], litLengths['C']);        // literal 'C'
    w.PutCode(lit[257], litLengths[257]);        // length 3
    w.PutCode(dist[distanceSymbol], distLengths[distanceSymbol]);   // distance symbol (distance = symbol + 1)
    w.PutCode(lit[256], litLengths[256]);        // end of block
    return w.Bytes();
}

std::vector<int> RepeatLiterals(unsigned count = 258) {
    std::vector<int> lengths(count, 0);
    for (unsigned i = 0; i < 258; i++)
        lengths[i] = i < 254 ? 8 : 9;
    return lengths;
}

TEST_F(InflateStreamsTest, RepeatCodes) {
    std::vector<StreamCase> cases;
    {
        auto steps = LiteralSteps();
        steps.push_back({1, 0});                 // distance 0: the lone 1-bit code
        steps.push_back({17, 0});                // 3 zeros: distances 1..3, ending at HLIT + HDIST
        cases.push_back({"zero repeat ending at the bound", RepeatStream(steps, 1, 3, RepeatLiterals(), {1, 0, 0, 0}),
                         kInflateOk, "ABCCCC"});
        steps.back() = {17, 1};                  // 4 zeros: one past
        cases.push_back({"zero repeat past the bound", RepeatStream(steps, 1, 3, RepeatLiterals(), {1, 0, 0, 0}),
                         kInflateDataError, ""});
        steps.back() = {18, 0};                  // 11 zeros
        cases.push_back({"long zero repeat past the bound",
                         RepeatStream(steps, 1, 3, RepeatLiterals(), {1, 0, 0, 0}), kInflateDataError, ""});
        steps.back() = {16, 0};                  // 3 more 1-bit distance lengths: over-subscribed, but past first
        cases.push_back({"previous-length repeat past the bound",
                         RepeatStream(steps, 1, 2, RepeatLiterals(), {1, 0, 0}), kInflateDataError, ""});
    }
    {
        // HLIT 259: symbol 258 has no code. Three zeros cover it and the
        // distances 0 and 1; distance 2 (distance 3) gets the lone 1-bit code.
        auto steps = LiteralSteps();
        steps.push_back({17, 0});                // literal 258, distances 0 and 1
        steps.push_back({1, 0});                 // distance 2
        steps.push_back({0, 0});                 // distance 3
        cases.push_back({"zero repeat from the literal lengths into the distances",
                         RepeatStream(steps, 2, 3, RepeatLiterals(259), {0, 0, 1, 0}), kInflateOk, "ABCABC"});
    }
    {
        // A first symbol 16 repeats length 0: symbols 0..2 get no code; 3 has
        // 7 bits and 4..257 have 8 (1/128 + 254/256 = 1).
        std::vector<std::pair<unsigned, unsigned>> steps = {{16, 0}, {7, 0}, {8, 0}};
        for (int i = 0; i < 42; i++)
            steps.push_back({16, 3});
        steps.push_back({8, 0});
        steps.push_back({1, 0});                 // distance 0 (distance 1)
        std::vector<int> lengths(258, 8);
        lengths[0] = lengths[1] = lengths[2] = 0;
        lengths[3] = 7;
        cases.push_back({"a leading repeat of the previous length repeats 0",
                         RepeatStream(steps, 1, 0, lengths, {1}), kInflateOk, "ABCCCC"});
    }
    CheckCases(cases);
}

TEST_F(InflateStreamsTest, IncompleteOversubscribedAndMissingCodes) {
    std::vector<int> literals = CompleteLiterals();
    std::vector<Sent> text = {{'o'}, {'k'}, {256}};
    std::vector<Sent> match = {{'o'}, {257}, {0, 0, 0, true}, {256}};   // "o", length 3 at distance 1
    std::vector<int> missingOne = literals;
    missingOne[0] = 0;
    std::vector<int> oneTooMany = literals;
    oneTooMany[285] = 8;
    std::vector<StreamCase> cases = {
        {"complete codes", DynamicStream(literals, {1}, match), kInflateOk, "oooo"},
        {"incomplete literal/length code", DynamicStream(missingOne, {1}, text), kInflateDataError, ""},
        {"over-subscribed literal/length code", DynamicStream(oneTooMany, {1}, text), kInflateBadBlock, ""},
        {"incomplete distance code", DynamicStream(literals, {2, 2, 2}, text), kInflateDataError, ""},
        {"over-subscribed distance code", DynamicStream(literals, {1, 1, 1}, text), kInflateBadBlock, ""},
        {"lone 1-bit distance code", DynamicStream(literals, {0, 1}, {{'o'}, {'k'}, {257}, {1, 0, 0, true}, {256}}),
         kInflateOk, "okoko"},
        {"no distance code, literals only", DynamicStream(literals, {0}, text), kInflateOk, "ok"},
        {"no distance code, then a length", DynamicStream(literals, {0}, {{'o'}, {257}, {256}}),
         kInflateDataError, ""},
        {"no literal/length code", DynamicStream(std::vector<int>(257, 0), {1}, {}), kInflateDataError, ""},
    };
    {
        // The lone 1-bit distance code's other code (bit 1) is unassigned.
        BitWriter v;
        std::vector<int> all = literals;
        all.push_back(1);
        PutDynamicHeader(v, true, {29, 0, FullCodeLengthCode(), Plain(all)});
        std::vector<uint32_t> codes = codectest::CanonicalCodes(literals);
        v.PutCode(codes['o'], literals['o']);
        v.PutCode(codes[257], literals[257]);
        v.Put(1, 1);                             // the unassigned distance code
        v.PutCode(codes[256], literals[256]);
        cases.push_back({"unassigned code of a lone 1-bit distance code", v.Bytes(), kInflateDataError, ""});
    }
    {
        BitWriter w;
        PutDynamicHeader(w, true, {0, 0, std::vector<int>(19, 5), {}});   // 19 codes of 5 bits: incomplete
        cases.push_back({"incomplete code-length code", w.Bytes(), kInflateDataError, ""});
        BitWriter v;
        PutDynamicHeader(v, true, {0, 0, std::vector<int>(19, 4), {}});   // 19 codes of 4 bits: too many
        cases.push_back({"over-subscribed code-length code", v.Bytes(), kInflateBadBlock, ""});
        BitWriter u;
        u.Put(1, 1);                             // BFINAL
        u.Put(2, 2);                             // dynamic
        u.Put(0, 5);                             // HLIT 257
        u.Put(0, 5);                             // HDIST 1
        u.Put(0, 4);                             // HCLEN 4
        u.Put(0, 12);                            // four code-length lengths of 0
        u.Put(0, 16);
        cases.push_back({"no code-length code", u.Bytes(), kInflateDataError, ""});
    }
    CheckCases(cases);
}

TEST_F(InflateStreamsTest, FixedBlockSymbols) {
    std::vector<StreamCase> cases;
    for (unsigned symbol : {286u, 287u}) {
        BitWriter w;
        FixedHeader(w, true);
        FixedLiterals(w, "x");
        FixedSymbol(w, symbol);                  // no length for 286 and 287
        w.Put(0, 16);
        cases.push_back({"literal/length symbol 286/287", w.Bytes(), kInflateDataError, ""});
    }
    for (unsigned distance : {30u, 31u}) {
        BitWriter w;
        FixedHeader(w, true);
        FixedLiterals(w, "x");
        FixedSymbol(w, 257);                     // length 3
        w.PutCode(distance, 5);                  // distance symbol 30/31: none
        w.Put(0, 16);
        cases.push_back({"distance symbol 30/31", w.Bytes(), kInflateDataError, ""});
    }
    {
        BitWriter w;
        FixedHeader(w, true);
        FixedLiterals(w, "q");
        FixedMatch(w, 258, 1);                   // the longest match, repeating the last byte
        FixedSymbol(w, 256);
        cases.push_back({"length 258 at distance 1", w.Bytes(), kInflateOk, std::string(259, 'q')});
    }
    {
        BitWriter w;
        FixedHeader(w, true);
        FixedLiterals(w, "a");
        FixedMatch(w, 3, 5);                     // reaches 4 bytes before the stream's start
        FixedSymbol(w, 256);
        cases.push_back({"distance before the start of a fresh window", w.Bytes(), kInflateOk,
                         std::string("a\0\0\0", 4)});
    }
    CheckCases(cases);
}

// What a byte-by-byte Deflate copy gives.
std::string WithMatch(std::string out, unsigned length, unsigned distance) {
    for (unsigned i = 0; i < length; i++)
        out += out[out.size() - distance];
    return out;
}

// The stream so far with an end-of-block symbol behind it (of the fixed
// code unless given).
std::string Ended(BitWriter w, uint32_t code = 0, unsigned length = 7) {
    w.PutCode(code, length);
    return w.Bytes();
}

// Literals behind the matches, so that they are decoded with plenty of input
// still buffered as well as right at its end.
const char kPadding[] = "0123456789abcdefghijklmnopqrstuvwxyz";

TEST_F(InflateStreamsTest, CopiesAcrossTheWindowEnd) {
    std::string random = codectest::SampleData("random");
    std::vector<StreamCase> cases;
    {
        BitWriter w;
        std::string head = random.substr(0, 32765);
        StoredBlock(w, false, head);
        FixedHeader(w, true);
        FixedMatch(w, 10, 20);                   // the destination crosses the window's end
        FixedLiterals(w, "Z");
        FixedMatch(w, 8, 10);                    // the source starts 2 before the window's end
        FixedMatch(w, 40, 3);                    // overlapping, from the start of the window
        std::string out = WithMatch(WithMatch(WithMatch(head, 10, 20) + "Z", 8, 10), 40, 3);
        cases.push_back({"matches across the window's end", Ended(w), kInflateOk, out});
        FixedLiterals(w, kPadding);
        cases.push_back({"matches across the window's end, more input behind", Ended(w), kInflateOk, out + kPadding});
    }
    {
        BitWriter w;
        std::string head = random.substr(0, 40000);
        StoredBlock(w, false, head);
        FixedHeader(w, true);
        FixedMatch(w, 5, 1000);                  // a short copy ...
        FixedMatch(w, 10, 32766);                // ... whose next bytes a far distance then reads
        FixedMatch(w, 258, 32768);               // the farthest distance: the window's own position
        FixedMatch(w, 100, 32761);               // source just ahead of the destination
        FixedMatch(w, 9, 8);                     // the shortest word-wide distance
        FixedMatch(w, 9, 7);
        std::string out = WithMatch(WithMatch(head, 5, 1000), 10, 32766);
        out = WithMatch(WithMatch(WithMatch(WithMatch(out, 258, 32768), 100, 32761), 9, 8), 9, 7);
        cases.push_back({"far and near distances", Ended(w), kInflateOk, out});
        FixedLiterals(w, kPadding);
        cases.push_back({"far and near distances, more input behind", Ended(w), kInflateOk, out + kPadding});
    }
    CheckCases(cases);
}

// A member whose compressed size runs past its stream (slack bytes behind
// it). A lookup takes its table's full width, so the end-of-block lookup of
// a code whose end-of-block is short looks past the stream's last byte: when
// that byte ends an input piece, the next piece is read, as a decoder taking
// one byte at a time would. The fixed code has no such look-ahead.
TEST_F(InflateStreamsTest, LookAheadRefillsOnlyWhereByteByByteDecodingWould) {
    const std::string slack(100, 'S');
    // Dynamic: end of block 1 bit, symbol 200 2 bits, symbols 0..127 9 bits
    // (1/2 + 1/4 + 128/512); the literal/length root is 9 bits wide.
    std::vector<int> lengths(257, 0);
    for (int i = 0; i < 128; i++)
        lengths[i] = 9;
    lengths[200] = 2;
    lengths[256] = 1;
    std::vector<uint32_t> codes = codectest::CanonicalCodes(lengths);
    std::vector<int> all = lengths;
    all.push_back(1);                            // one distance code
    // Symbols 200 up to the last byte of the first input piece, then the end
    // of block there.
    BitWriter dynamic;
    PutDynamicHeader(dynamic, true, {0, 0, FullCodeLengthCode(), Plain(all)});
    size_t symbols = (2048 * 8 - 1 - dynamic.BitCount()) / 2;
    for (size_t i = 0; i < symbols; i++)
        dynamic.PutCode(codes[200], 2);
    std::string dynamicStream = Ended(dynamic, codes[256], 1);
    std::string dynamicOutput(symbols, (char)200);

    BitWriter fixed;
    FixedHeader(fixed, true);
    std::string fixedOutput(2046, 'f');          // 3 + 2046 * 8 + 7 bits: 2048 bytes
    FixedLiterals(fixed, fixedOutput);
    std::string fixedStream = Ended(fixed);
    ASSERT_EQ(2048u, dynamicStream.size());
    ASSERT_EQ(2048u, fixedStream.size());

    struct Case {
        const char *name;
        std::string stream, output;
        long offset;
    } cases[] = {
        {"short end-of-block code", dynamicStream, dynamicOutput, 2048 + 100},
        {"fixed code", fixedStream, fixedOutput, 2048},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Decoded run = codectest::DecodeFile(c.stream, slack, slack.size());
        EXPECT_EQ(kInflateOk, run.result);
        EXPECT_EQ(c.output, run.output);
        EXPECT_EQ(c.offset, run.archiveOffset);
    }
}

// A reference before the stream's start reads what an earlier stream left
// in the window.
TEST_F(InflateStreamsTest, WindowKeepsTheEarlierStream) {
    std::string earlier = codectest::SampleData("text").substr(0, 40000);
    ASSERT_EQ(kInflateOk, codectest::DecodeFile(codectest::ZlibCompress(earlier, 6, 0)).result);
    BitWriter w;
    FixedHeader(w, true);
    FixedLiterals(w, "x");
    FixedMatch(w, 10, 100);                      // window positions 32669.. of the earlier stream
    FixedSymbol(w, 256);
    Decoded run = codectest::DecodeFile(w.Bytes());
    EXPECT_EQ(kInflateOk, run.result);
    EXPECT_EQ("x" + earlier.substr(32669, 10), run.output);
}

// Every cut of a stream stops with a data error after at most one made-up
// symbol, in file mode (where the refills find nothing more) and in memory
// mode, and never hands on more than the whole stream would.
TEST_F(InflateStreamsTest, InputThatRunsOutEnds) {
    std::string text = codectest::SampleData("text").substr(0, 1500);
    BitWriter fixed;
    FixedHeader(fixed, true);
    FixedLiterals(fixed, "truncated");
    FixedMatch(fixed, 20, 9);
    FixedSymbol(fixed, 256);
    BitWriter stored;
    StoredBlock(stored, true, text.substr(0, 300));
    const std::string streams[] = {codectest::ZlibCompress(text, 9, 0), codectest::ZlibCompress(text, 1, 4),
                                   fixed.Bytes(), stored.Bytes()};
    for (const std::string &stream : streams) {
        std::string whole;
        ASSERT_TRUE(codectest::ZlibInflate(stream, &whole));
        for (size_t cut = 0; cut < stream.size(); cut++) {
            SCOPED_TRACE("cut at " + std::to_string(cut) + " of " + std::to_string(stream.size()));
            std::string part = stream.substr(0, cut);
            Decoded file = codectest::DecodeFile(part);
            ASSERT_NE(kInflateOk, file.result);
            ASSERT_LE(file.output.size(), whole.size());
            Decoded memory = codectest::DecodeMemory(part, 100000);
            ASSERT_NE(kInflateOk, memory.result);
        }
    }
}

TEST_F(InflateStreamsTest, MemoryModeStaysInsideItsDestination) {
    std::string data = codectest::SampleData("text").substr(0, 5000);
    std::string stream = codectest::ZlibCompress(data, 6, 0);
    bool overran = true;
    Decoded exact = codectest::DecodeMemory(stream, 5000, &overran);
    EXPECT_EQ(kInflateOk, exact.result);
    EXPECT_EQ(data, exact.output);
    EXPECT_FALSE(overran);
    // One byte short: filled to its last byte (where a sentinel would sit),
    // nothing beyond.
    Decoded small = codectest::DecodeMemory(stream, 4999, &overran);
    EXPECT_EQ(kInflateDataError, small.result);
    EXPECT_EQ(data.substr(0, 4999), small.output);
    EXPECT_FALSE(overran);
}

TEST_F(InflateStreamsTest, MemoryModeOutputIsContiguousWhateverPending) {
    std::string data = codectest::SampleData("binary").substr(0, 4295);
    ctx.pending = 1000;
    Decoded run = codectest::DecodeMemory(codectest::ZlibCompress(data, 9, 0), 5619);
    EXPECT_EQ(kInflateOk, run.result);
    EXPECT_EQ(data, run.output);
    EXPECT_EQ((1000 + 4295) % 2048, ctx.pending);
}

// A memory-mode stream that runs out does not turn to the archive file, even
// when a member's bytes are outstanding there.
TEST_F(InflateStreamsTest, MemoryModeNeverRefills) {
    hostsim::WriteHostFile(hostsim::HostPath("C:\\ARCHIVE.BIN"), std::string(100, '\x55'));
    ctx.archiveFile = _lopen("C:\\ARCHIVE.BIN", OF_READ);
    ctx.memberBytesLeft = 100;
    std::string stream = codectest::ZlibCompress(codectest::SampleData("text").substr(0, 500), 6, 0);
    Decoded run = codectest::DecodeMemory(stream.substr(0, stream.size() / 2), 1000);
    EXPECT_NE(kInflateOk, run.result);
    EXPECT_EQ(100u, ctx.memberBytesLeft);
    EXPECT_EQ(0, _llseek(ctx.archiveFile, 0, FILE_CURRENT));
}

TEST_F(InflateStreamsTest, TableAllocationFailureIsAnsweredNotRaised) {
    BitWriter w;
    FixedHeader(w, true);
    FixedLiterals(w, "never");
    FixedSymbol(w, 256);
    // The literal/length table's allocation, then the distance table's: the
    // decoder answers kInflateNoMemory with no box (its caller raises it) and
    // nothing left allocated.
    for (unsigned failing : {1u, 2u}) {
        hostsim::State &sim = hostsim::Sim();
        sim.failAt[hostsim::kFaultLocalAlloc] = sim.calls[hostsim::kFaultLocalAlloc] + failing;
        size_t boxes = sim.transcript.size();
        Decoded run = codectest::DecodeMemory(w.Bytes(), 100);
        EXPECT_EQ(kGuardDone, run.guard);
        EXPECT_EQ(kInflateNoMemory, run.result);
        EXPECT_EQ(boxes, sim.transcript.size());
        for (HuffmanEntry *table : ctx.blockTables)
            EXPECT_EQ(nullptr, table);
    }
}

}  // namespace
