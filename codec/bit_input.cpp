#include "codec/bit_input.h"

#include "codec/inflate.h"

int FetchByte(uint16_t *destination) {
    int32_t had = ctx.inputCount--;
    if (had <= 0) {
        // A memory-mode stream has nothing behind its bytes; a refill would
        // read whatever member the archive file stands in.
        if (ctx.memoryMode) {
            ctx.inputCount = 0;
            return 0;
        }
        if (RefillInput() == 0)
            return 0;
    }
    *destination = *ctx.inputCursor++;
    return 1;
}

int NeedBits(unsigned n) {
    while (ctx.bitCount < n) {
        if (FetchByte(&ctx.fetchedByte)) {
            if (ctx.fillerBits != 0)
                return 0;
            ctx.bitBuffer |= (uint64_t)ctx.fetchedByte << ctx.bitCount;
        } else {
            if (ctx.fillerBits >= kFillerAllowanceBits)
                return 0;
            ctx.fillerBits = (uint16_t)(ctx.fillerBits + 8);
        }
        ctx.bitCount = (uint16_t)(ctx.bitCount + 8);
    }
    return 1;
}
