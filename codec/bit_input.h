// The decoder's careful bit input on the context's bit buffer: bytes come one
// at a time through FetchByte, the stream is read least significant bit
// first, and a field of n bits is the low n bits of the buffer. The symbol
// loop's fast path keeps its own copy of the buffer and hands it back (with
// nothing above bitCount) before any of these run.
#pragma once
#include <stdint.h>

#include "codec/deflate_format.h"
#include "context/extraction_context.h"

enum BitInputLimits {
    // Zero bits fed in after the input has run out. A sound stream can need
    // up to 16 of them as look-ahead (a lookup ensures its full width), and
    // never takes them; a stream that asks for more is cut short.
    kFillerAllowanceBits = 32,
};

// Makes at least n (at most 16) bits valid. Answers 0 when that would need
// filler beyond the allowance or input that resumed after filler (the bits
// then cannot be the stream's); the decode must stop.
int NeedBits(unsigned n);

// The next n valid bits, not consumed.
inline unsigned PeekBits(unsigned n) {
    return (unsigned)ctx.bitBuffer & LowBitsMask(n);
}

inline void DropBits(unsigned n) {
    ctx.bitBuffer >>= n;
    ctx.bitCount = (uint16_t)(ctx.bitCount - n);
}

inline unsigned TakeBits(unsigned n) {
    unsigned value = PeekBits(n);
    DropBits(n);
    return value;
}

// True once the decode has consumed filler: the stream ran past its input.
// Filler sits at the top of the buffer, so it stays true from then on.
inline int FillerTaken() {
    return ctx.bitCount < ctx.fillerBits;
}
