// The symbol loop. Two paths decode the same symbols from the same tables:
//
// - the fast path runs while the input buffer holds at least a round's worth
//   of bytes and the window has room for a round's output. It keeps the bit
//   buffer, the input cursor and the window position in locals, refills the
//   buffer a word at a time from the input buffer only (never through
//   RefillInput) and copies matches a word at a time;
// - the careful path takes one symbol at a time through NeedBits, asking for
//   exactly the bits each step looks at. Near the end of an input piece it is
//   what calls RefillInput, so a refill happens at the same point of the
//   stream whatever came before; near the window's end it drains the window
//   when it fills.
#include "codec/bit_input.h"
#include "codec/inflate.h"
#include "codec/inflate_blocks.h"
#include "codec/window.h"

enum SymbolOutcome {
    kSymbolsGoOn,
    kSymbolsEnd,
    kSymbolsBad,
};

enum FastPathLimits {
    kWordBits = 64,
    // Input bytes a fast round may read: two word refills.
    kFastInputMargin = 16,
    // Window room a fast round may fill: a literal and a longest match, and
    // the window never fills inside the loop (the careful path drains it).
    kFastWindowMargin = 1 + kMaxMatchLength + 1,
};
// A refill leaves at least 56 valid bits. A round takes at most two codes
// (15 bits each, looked up with up to 16) before a second refill, or one
// length and one distance with their extra bits.
static_assert(kWordBits - 8 >= 15 + 5 + 15 + 13, "a length and a distance fit in one refill");
static_assert(kWordBits - 8 - 15 >= 16, "a second code can be looked up without a refill");

// Stands in for the tables of a code without symbols: any lookup is invalid.
static const HuffmanEntry kMissingCode[1] = {{kOpInvalid, 0, 0}};

// Tops the bit buffer up from the next 8 input bytes: as many whole bytes go
// in as fit below bit 64, which leaves 56 + count % 8 valid bits. The bits
// above `count` then hold the low bits of the byte at `in`, which the next
// refill puts in again at the same place; the fast path masks them off when
// it hands the buffer back.
static inline void RefillWord(uint64_t &bits, unsigned &count, const uint8_t *&in) {
    bits |= LoadWord(in) << count;
    in += (63 - count) >> 3;
    count |= 56;
}

static inline void DropLocalBits(uint64_t &bits, unsigned &count, unsigned n) {
    bits >>= n;
    count -= n;
}

// Follows links from a root entry down to the entry of the code. Answers
// false at an invalid code.
static inline bool FollowLinks(const HuffmanEntry *table, HuffmanEntry &entry, uint64_t &bits, unsigned &count) {
    while (entry.Operation > kOpLiteral) {
        if (entry.Operation == kOpInvalid)
            return false;
        DropLocalBits(bits, count, entry.CodeBits);
        entry = table[entry.Value + ((unsigned)bits & LowBitsMask(entry.Operation - kOpLinkBase))];
    }
    return true;
}

// Takes the next code through a table into entry. Answers false at an
// invalid code.
static inline bool TakeLocalCode(const HuffmanEntry *table, unsigned rootMask, HuffmanEntry &entry, uint64_t &bits,
                                 unsigned &count) {
    entry = table[(unsigned)bits & rootMask];
    if (!FollowLinks(table, entry, bits, count))
        return false;
    DropLocalBits(bits, count, entry.CodeBits);
    return true;
}

// Decodes symbols while a whole round fits in the input left and in the
// window's room. Answers kSymbolsGoOn when it stops for want of either.
static int DecodeFast(const HuffmanEntry *literals, const HuffmanEntry *distances, unsigned litBits,
                      unsigned distBits) {
    if (ctx.inputCount < kFastInputMargin || ctx.windowPos >= kWindowSize - kFastWindowMargin)
        return kSymbolsGoOn;
    uint8_t *const window = ctx.inflateWindow;
    uint8_t *out = window + ctx.windowPos;
    uint8_t *const outLimit = window + (kWindowSize - kFastWindowMargin);
    const uint8_t *in = ctx.inputCursor;
    const uint8_t *const inEnd = in + ctx.inputCount;
    const uint8_t *const inLimit = inEnd - kFastInputMargin;
    uint64_t bits = ctx.bitBuffer;
    unsigned count = ctx.bitCount;
    const unsigned litMask = LowBitsMask(litBits);
    const unsigned distMask = LowBitsMask(distBits);
    int outcome = kSymbolsGoOn;

    while (in <= inLimit && out < outLimit) {
        RefillWord(bits, count, in);
        HuffmanEntry entry;
        if (!TakeLocalCode(literals, litMask, entry, bits, count)) {
            outcome = kSymbolsBad;
            break;
        }
        if (entry.Operation == kOpLiteral) {
            *out++ = (uint8_t)entry.Value;
            if (!TakeLocalCode(literals, litMask, entry, bits, count)) {
                outcome = kSymbolsBad;
                break;
            }
            if (entry.Operation == kOpLiteral) {
                *out++ = (uint8_t)entry.Value;
                continue;
            }
            RefillWord(bits, count, in);
        }
        if (entry.Operation == kOpEndOfBlock) {
            outcome = kSymbolsEnd;
            break;
        }

        uint32_t length = entry.Value + ((unsigned)bits & LowBitsMask(entry.Operation));
        DropLocalBits(bits, count, entry.Operation);
        if (!TakeLocalCode(distances, distMask, entry, bits, count)) {
            outcome = kSymbolsBad;
            break;
        }
        uint32_t distance = entry.Value + ((unsigned)bits & LowBitsMask(entry.Operation));
        DropLocalBits(bits, count, entry.Operation);

        uint32_t pos = (uint32_t)(out - window);
        if (distance >= 8 && distance <= pos)
            CopyWords(out, out - distance, length);
        else
            CopyMatchInside(window, pos, distance, length);
        out += length;
    }

    ctx.inputCursor = in;
    ctx.inputCount = (int32_t)(inEnd - in);
    ctx.bitBuffer = bits & (((uint64_t)1 << count) - 1);
    ctx.bitCount = (uint16_t)count;
    ctx.windowPos = (uint16_t)(out - window);
    return outcome;
}

// Looks a code up the careful way: ensure the table's bits, then at each link
// consume the bits of the level and ensure those of the sub-table.
static int TakeCode(const HuffmanEntry *table, unsigned rootBits, HuffmanEntry *code) {
    if (!NeedBits(rootBits))
        return 0;
    HuffmanEntry entry = table[PeekBits(rootBits)];
    while (entry.Operation > kOpLiteral) {
        if (entry.Operation == kOpInvalid)
            return 0;
        DropBits(entry.CodeBits);
        unsigned subBits = entry.Operation - kOpLinkBase;
        if (!NeedBits(subBits))
            return 0;
        entry = table[entry.Value + PeekBits(subBits)];
    }
    DropBits(entry.CodeBits);
    *code = entry;
    return 1;
}

// Stores one byte at the window position; drains the window when it fills.
// 1 when the byte is in, 0 when the drain found a memory destination full.
static int PutByte(uint8_t byte) {
    ctx.inflateWindow[ctx.windowPos++] = byte;
    if (ctx.windowPos < kWindowSize)
        return 1;
    ctx.windowPos = 0;
    return FlushWindow(kWindowSize);
}

// Copies a match in runs that end at the window's end, for the source as for
// the destination, draining the window whenever the destination fills it.
// 1 when the match is in, 0 when a drain found a memory destination full.
static int CopyMatchDraining(uint32_t distance, uint32_t length) {
    uint32_t to = ctx.windowPos;
    uint32_t from = (to - distance) & (kWindowSize - 1);
    while (length > 0) {
        uint32_t run = kWindowSize - (from > to ? from : to);
        if (run > length)
            run = length;
        CopyRun(ctx.inflateWindow, to, from, run);
        to += run;
        from = (from + run) & (kWindowSize - 1);
        length -= run;
        if (to == kWindowSize) {
            to = 0;
            if (!FlushWindow(kWindowSize)) {
                ctx.windowPos = 0;
                return 0;
            }
        }
    }
    ctx.windowPos = (uint16_t)to;
    return 1;
}

// Decodes one symbol through NeedBits, ensuring what the tables look at
// step by step: the root's bits, each sub-table's, then the extra bits.
static int DecodeCarefully(const HuffmanEntry *literals, const HuffmanEntry *distances, unsigned litBits,
                           unsigned distBits) {
    HuffmanEntry entry;
    if (!TakeCode(literals, litBits, &entry))
        return kSymbolsBad;
    if (entry.Operation == kOpLiteral)
        return PutByte((uint8_t)entry.Value) ? kSymbolsGoOn : kSymbolsBad;
    if (entry.Operation == kOpEndOfBlock)
        return kSymbolsEnd;
    if (!NeedBits(entry.Operation))
        return kSymbolsBad;
    uint32_t length = entry.Value + TakeBits(entry.Operation);
    if (!TakeCode(distances, distBits, &entry) || !NeedBits(entry.Operation))
        return kSymbolsBad;
    uint32_t distance = entry.Value + TakeBits(entry.Operation);
    return CopyMatchDraining(distance, length) ? kSymbolsGoOn : kSymbolsBad;
}

int DecodeSymbols(const HuffmanEntry *literals, const HuffmanEntry *distances, unsigned litBits,
                  unsigned distBits) {
    if (!literals) {
        literals = kMissingCode;
        litBits = 0;
    }
    if (!distances) {
        distances = kMissingCode;
        distBits = 0;
    }
    for (;;) {
        int outcome = DecodeFast(literals, distances, litBits, distBits);
        if (outcome == kSymbolsGoOn) {
            outcome = DecodeCarefully(literals, distances, litBits, distBits);
            if (FillerTaken())
                outcome = kSymbolsBad;
        }
        if (outcome == kSymbolsEnd)
            return kInflateOk;
        if (outcome == kSymbolsBad)
            return kInflateDataError;
    }
}
