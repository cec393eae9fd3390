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

// The fast path's bit buffer is a machine word (codec/word_access.h). A
// refill leaves at least kRefillBits valid bits; what a round takes between
// refills is fixed by the word's width below.
enum FastPathLimits {
    kWordBits = 8 * sizeof(MachineWord),
    kRefillBits = kWordBits - 8,
    // A code is at most 15 bits and is looked up with up to 16.
    kCodeLookupBits = 16,
    // Input bytes a fast round may read: up to three refills.
    kFastInputMargin = 16,
    // Window room a fast round may fill: a literal and a longest match, and
    // the window never fills inside the loop (the careful path drains it).
    kFastWindowMargin = 1 + kMaxMatchLength + 1,
};
// With a 64-bit buffer a round takes two codes, or one length and one
// distance with their extra bits, per refill; with a 32-bit one, a code and
// a length's extra bits, or a distance code, or a distance's extra bits.
static const bool kTwoCodesPerRefill = kRefillBits - kMaxCodeBits >= kCodeLookupBits;
static const bool kMatchPerRefill = kRefillBits >= kMaxCodeBits + 5 + kMaxCodeBits + 13;
static const bool kDistancePerRefill = kRefillBits >= kMaxCodeBits + 13;
static_assert(kRefillBits >= kMaxCodeBits + 5, "a length code and its extra bits fit in one refill");
static_assert(kRefillBits >= kCodeLookupBits && kRefillBits >= 13, "a code or extra bits fit in one refill");
// Each refill reads a word and moves on at most a word less a byte.
static const unsigned kRefillsPerRound = 1 + kTwoCodesPerRefill + !kMatchPerRefill + !kDistancePerRefill;
static_assert((kRefillsPerRound - 1) * (sizeof(MachineWord) - 1) + sizeof(MachineWord) <= kFastInputMargin,
              "a round's refills read inside the margin");
// The careful path asks for at most 16 bits and so leaves at most 23, and the
// fast path fewer than its word's width: the buffer taken over fits.
static_assert(kCodeLookupBits + 7 < 32, "the careful path's bits fit a machine word");

// Stands in for the tables of a code without symbols: any lookup is invalid.
static const HuffmanEntry kMissingCode[1] = {{kOpInvalid, 0, 0}};

// Tops the bit buffer up from the next word of input: as many whole bytes go
// in as fit below the word's top, which leaves kRefillBits + count % 8
// valid bits. The bits above `count` then hold the low bits of the byte at
// `in`, which the next refill puts in again at the same place; the fast
// path masks them off when it hands the buffer back. Forced inline here and
// in TakeLocalCode: built for size, the compiler would make them calls that
// take the buffer, the count and the cursor through memory.
static inline __attribute__((always_inline)) void RefillWord(MachineWord &bits, unsigned &count, const uint8_t *&in) {
    bits |= LoadWord(in) << count;
    in += (kWordBits - 1 - count) >> 3;
    count |= kRefillBits;
}

static inline void DropLocalBits(MachineWord &bits, unsigned &count, unsigned n) {
    bits >>= n;
    count -= n;
}

// Follows the links from a root entry down to the entry of the code, and
// answers that entry with CodeBits counting every level's bits; the bits
// themselves are not consumed. Answers an invalid entry at an invalid code.
// Kept out of the symbol loop: most codes end at the root.
static __attribute__((noinline)) HuffmanEntry FollowLinks(const HuffmanEntry *table, HuffmanEntry entry,
                                                           MachineWord bits) {
    unsigned taken = 0;
    while (entry.Operation > kOpLiteral && entry.Operation != kOpInvalid) {
        taken += entry.CodeBits;
        entry = table[entry.Value + ((unsigned)(bits >> taken) & LowBitsMask(entry.Operation - kOpLinkBase))];
    }
    entry.CodeBits = (uint8_t)(entry.CodeBits + taken);
    return entry;
}

// Takes the next code through a table into entry. Answers false at an
// invalid code.
static inline __attribute__((always_inline)) bool TakeLocalCode(const HuffmanEntry *table, unsigned rootMask, HuffmanEntry &entry,
                                 MachineWord &bits, unsigned &count) {
    entry = table[(unsigned)bits & rootMask];
    if (entry.Operation > kOpLiteral) {
        entry = FollowLinks(table, entry, bits);
        if (entry.Operation > kOpLiteral)
            return false;
    }
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
    MachineWord bits = (MachineWord)ctx.bitBuffer;
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
            if (!kTwoCodesPerRefill)
                continue;
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
        if (!kMatchPerRefill)
            RefillWord(bits, count, in);
        if (!TakeLocalCode(distances, distMask, entry, bits, count)) {
            outcome = kSymbolsBad;
            break;
        }
        if (!kDistancePerRefill)
            RefillWord(bits, count, in);
        uint32_t distance = entry.Value + ((unsigned)bits & LowBitsMask(entry.Operation));
        DropLocalBits(bits, count, entry.Operation);

        uint32_t pos = (uint32_t)(out - window);
        if (distance >= sizeof(MachineWord) && distance <= pos)
            CopyWords(out, out - distance, length);
        else
            CopyMatchInside(window, pos, distance, length);
        out += length;
    }

    ctx.inputCursor = in;
    ctx.inputCount = (int32_t)(inEnd - in);
    ctx.bitBuffer = bits & (((MachineWord)1 << count) - 1);
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
