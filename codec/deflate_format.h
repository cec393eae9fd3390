// Facts of the raw Deflate format (RFC 1951) that the decoder is built on,
// and the constant tables it decodes with.
#pragma once
#include <stdint.h>

enum DeflateLimits {
    kMaxCodeBits = 15,               // longest Huffman code
    kMaxLengthField = 16,            // code lengths are held as 0..16 (16 only from a damaged builder input)
    kMaxLiteralCodes = 286,          // HLIT at most 257 + 29
    kMaxDistanceCodes = 30,          // HDIST at most 1 + 29
    kFixedLiteralCodes = 288,        // the fixed code assigns 286 and 287 too
    kFixedDistanceCodes = 30,
    kCodeLengthCodes = 19,
    kSimpleLiteralSymbols = 257,     // 0..255 literal bytes, 256 end of block
    kEndOfBlockSymbol = 256,
    kMaxMatchLength = 258,
    kMaxDistance = 32768,
    kCodeLengthRootBits = 7,
    kFixedLiteralRootBits = 7,
    kFixedDistanceRootBits = 5,
};

enum BlockType {
    kBlockStored = 0,
    kBlockFixed = 1,
    kBlockDynamic = 2,
    kBlockReserved = 3,
};

// Code-length alphabet: 0..15 are lengths, the rest repeat.
enum CodeLengthSymbols {
    kRepeatPrevious = 16,            // 3..6 times, 2 extra bits
    kRepeatZeroShort = 17,           // 3..10 times, 3 extra bits
    kRepeatZeroLong = 18,            // 11..138 times, 7 extra bits
};

// The low n bits set, for n = 0..16: computed rather than looked up, which
// is as fast and leaves the stub a table and its relocations smaller.
inline unsigned LowBitsMask(unsigned n) {
    return (1u << n) - 1;
}
// The order in which a dynamic header sends the code-length code's lengths.
extern const uint8_t codeLengthOrder[kCodeLengthCodes];
// Base length and extra bits of symbols 257..287; 286 and 287 carry extra
// bits 99, which makes them decode as invalid.
extern const uint16_t lengthBase[31];
extern const uint8_t lengthExtra[31];
// Base distance and extra bits of distance symbols 0..29.
extern const uint16_t distanceBase[kMaxDistanceCodes];
extern const uint8_t distanceExtra[kMaxDistanceCodes];
// Root lookup bits asked for a dynamic block's two codes.
extern const uint32_t literalRootBits;
extern const uint32_t distanceRootBits;
