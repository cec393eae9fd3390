// Stream and block level of the decoder: block headers, stored blocks, and
// the tables of fixed and dynamic Huffman blocks. The tables of a block are
// built when it starts and released when it ends, whatever its outcome.
#include "codec/inflate.h"

#include "codec/bit_input.h"
#include "codec/inflate_blocks.h"
#include "codec/window.h"

// The tables of a block live in the context while it is decoded, so that a
// decode abandoned by an exit leaves nothing unreachable.
void ReleaseDecodeTables() {
    for (HuffmanEntry *&table : ctx.blockTables) {
        FreeDecodeTables(table);
        table = nullptr;
    }
}

int DecodeStream() {
    ReleaseDecodeTables();
    ctx.windowPos = 0;
    ctx.bitBuffer = 0;
    ctx.bitCount = 0;
    ctx.fillerBits = 0;
    int last = 0;
    do {
        int result = DecodeBlock(&last);
        if (result != kInflateOk)
            return result;
    } while (!last);
    // Bits left in the buffer are look-ahead; nothing is given back.
    if (!FlushWindow(ctx.windowPos))
        return kInflateDataError;
    return kInflateOk;
}

int DecodeBlock(int *last) {
    if (!NeedBits(1))
        return kInflateDataError;
    *last = (int)TakeBits(1);
    if (!NeedBits(2))
        return kInflateDataError;
    unsigned type = TakeBits(2);
    if (FillerTaken())
        return kInflateDataError;
    if (type == kBlockDynamic)
        return DecodeDynamicBlock();
    if (type == kBlockStored)
        return CopyStoredBlock();
    if (type == kBlockFixed)
        return DecodeFixedBlock();
    return kInflateBadBlock;
}

// A stored block: LEN and its complement NLEN on the next byte boundary,
// then LEN bytes. Whole bytes still in the bit buffer come first; the rest
// is copied straight from the input buffer, and only an empty input buffer
// is refilled (through the careful path), so refills fall where a
// byte-by-byte copy would make them.
int CopyStoredBlock() {
    DropBits(ctx.bitCount & 7);
    if (!NeedBits(16))
        return kInflateDataError;
    uint32_t length = TakeBits(16);
    if (!NeedBits(16))
        return kInflateDataError;
    if (length != (~PeekBits(16) & 0xFFFF))
        return kInflateDataError;
    DropBits(16);
    if (FillerTaken())
        return kInflateDataError;

    uint8_t *const window = ctx.inflateWindow;
    uint32_t pos = ctx.windowPos;
    while (length > 0) {
        uint32_t moved = 1;
        if (ctx.bitCount >= 8) {
            window[pos] = (uint8_t)TakeBits(8);
        } else if (ctx.inputCount > 0) {
            moved = length;
            if (moved > (uint32_t)ctx.inputCount)
                moved = (uint32_t)ctx.inputCount;
            if (moved > kWindowSize - pos)
                moved = kWindowSize - pos;
            CopyBlock(window + pos, ctx.inputCursor, moved);
            ctx.inputCursor += moved;
            ctx.inputCount -= (int32_t)moved;
        } else {
            if (!NeedBits(8))
                return kInflateDataError;
            window[pos] = (uint8_t)TakeBits(8);
            if (FillerTaken())
                return kInflateDataError;
        }
        pos += moved;
        length -= moved;
        if (pos == kWindowSize) {
            pos = 0;
            ctx.windowPos = 0;
            if (!FlushWindow(kWindowSize))
                return kInflateDataError;
        }
    }
    ctx.windowPos = (uint16_t)pos;
    return kInflateOk;
}

int DecodeFixedBlock() {
    uint16_t lengths[kFixedLiteralCodes];
    unsigned symbol = 0;
    for (; symbol < 144; symbol++)
        lengths[symbol] = 8;
    for (; symbol < 256; symbol++)
        lengths[symbol] = 9;
    for (; symbol < 280; symbol++)
        lengths[symbol] = 7;
    for (; symbol < kFixedLiteralCodes; symbol++)
        lengths[symbol] = 8;
    unsigned litBits = kFixedLiteralRootBits;
    unsigned distBits = kFixedDistanceRootBits;
    int result = BuildDecodeTable(lengths, kFixedLiteralCodes, kSimpleLiteralSymbols, lengthBase, lengthExtra,
                                  &ctx.blockTables[0], &litBits);
    if (result == kTableComplete) {
        for (symbol = 0; symbol < kFixedDistanceCodes; symbol++)
            lengths[symbol] = 5;
        // 30 codes of 5 bits leave two unassigned (31 and 32 would be): an
        // incomplete code is expected here, and those two decode as invalid.
        result = BuildDecodeTable(lengths, kFixedDistanceCodes, 0, distanceBase, distanceExtra, &ctx.blockTables[1],
                                  &distBits);
        if (result <= kTableIncomplete)
            result = DecodeSymbols(ctx.blockTables[0], ctx.blockTables[1], litBits, distBits);
    }
    ReleaseDecodeTables();
    return result;
}

// Reads the HLIT + HDIST code lengths of a dynamic header through the
// code-length code, with its repeat symbols.
static int ReadCodeLengths(const HuffmanEntry *table, unsigned bits, uint16_t *lengths, unsigned total) {
    unsigned i = 0;
    unsigned previous = 0;
    while (i < total) {
        if (!NeedBits(bits))
            return kInflateDataError;
        HuffmanEntry entry = table[PeekBits(bits)];
        DropBits(entry.CodeBits);
        // The code-length code is always a single table of simple symbols.
        // With a lone 1-bit code its other index is unassigned; it holds the
        // same symbol, which the header then takes.
        unsigned symbol = entry.Value;
        if (symbol < kRepeatPrevious) {
            lengths[i++] = (uint16_t)symbol;
            previous = symbol;
            continue;
        }
        unsigned extraBits = 7;        // 18: 11..138 zeros
        unsigned base = 11;
        unsigned value = 0;
        if (symbol == kRepeatPrevious) {
            extraBits = 2;
            base = 3;
            value = previous;
        } else if (symbol == kRepeatZeroShort) {
            extraBits = 3;
            base = 3;
        }
        if (!NeedBits(extraBits))
            return kInflateDataError;
        unsigned repeat = base + TakeBits(extraBits);
        if (i + repeat > total)
            return kInflateDataError;
        while (repeat-- > 0)
            lengths[i++] = (uint16_t)value;
        previous = value;
    }
    return FillerTaken() ? kInflateDataError : kInflateOk;
}

// The header of a dynamic block up to its code lengths: HLIT literal/length
// lengths, then HDIST distance lengths, into lengths.
static int ReadDynamicHeader(uint16_t *lengths, unsigned *literalCount, unsigned *distanceCount) {
    if (!NeedBits(5))
        return kInflateDataError;
    *literalCount = 257 + TakeBits(5);
    if (!NeedBits(5))
        return kInflateDataError;
    *distanceCount = 1 + TakeBits(5);
    if (!NeedBits(4))
        return kInflateDataError;
    unsigned lengthCodeCount = 4 + TakeBits(4);
    if (*literalCount > kMaxLiteralCodes || *distanceCount > kMaxDistanceCodes)
        return kInflateDataError;

    uint16_t codeLengthLengths[kCodeLengthCodes];
    for (unsigned j = 0; j < kCodeLengthCodes; j++) {
        unsigned length = 0;
        if (j < lengthCodeCount) {
            if (!NeedBits(3))
                return kInflateDataError;
            length = TakeBits(3);
        }
        codeLengthLengths[codeLengthOrder[j]] = (uint16_t)length;
    }
    if (FillerTaken())
        return kInflateDataError;
    unsigned bits = kCodeLengthRootBits;
    int result = BuildDecodeTable(codeLengthLengths, kCodeLengthCodes, kCodeLengthCodes, nullptr, nullptr,
                                  &ctx.blockTables[0], &bits);
    // No code-length code at all: there is nothing to read the lengths with.
    if (result == kTableComplete && !ctx.blockTables[0])
        result = kInflateDataError;
    if (result == kTableComplete)
        result = ReadCodeLengths(ctx.blockTables[0], bits, lengths, *literalCount + *distanceCount);
    ReleaseDecodeTables();
    return result;
}

int DecodeDynamicBlock() {
    uint16_t lengths[kMaxLiteralCodes + kMaxDistanceCodes];
    unsigned literalCount;
    unsigned distanceCount;
    int result = ReadDynamicHeader(lengths, &literalCount, &distanceCount);
    if (result != kInflateOk)
        return result;
    unsigned litBits = literalRootBits;
    unsigned distBits = distanceRootBits;
    result = BuildDecodeTable(lengths, literalCount, kSimpleLiteralSymbols, lengthBase, lengthExtra,
                              &ctx.blockTables[0], &litBits);
    // Unlike the fixed code, an incomplete distance code is refused here
    // (the builder counts a lone 1-bit code as complete).
    if (result == kTableComplete)
        result = BuildDecodeTable(lengths + literalCount, distanceCount, 0, distanceBase, distanceExtra,
                                  &ctx.blockTables[1], &distBits);
    if (result == kTableComplete)
        result = DecodeSymbols(ctx.blockTables[0], ctx.blockTables[1], litBits, distBits);
    ReleaseDecodeTables();
    return result;
}
