#include "codec/window.h"

#include "archive/entry_output.h"

uint8_t *CopyBytes(uint8_t *destination, const uint8_t *source, uint32_t count) {
    for (uint32_t i = 0; i < count; i++)
        destination[i] = source[i];
    return destination;
}

uint8_t *FillBytes(uint8_t *destination, uint8_t value, uint32_t count) {
    for (uint32_t i = 0; i < count; i++)
        destination[i] = value;
    return destination;
}

void CopyBlock(uint8_t *destination, const uint8_t *source, uint32_t count) {
    uint32_t done = 0;
    for (; done + 8 <= count; done += 8)
        StoreWord(destination + done, LoadWord(source + done));
    CopyBytes(destination + done, source + done, count - done);
}

int FlushWindow(uint32_t count) {
    const uint8_t *from = ctx.inflateWindow;
    while (count > 0) {
        uint32_t piece = kIoBufferSize - ctx.pending;
        if (piece > count)
            piece = count;
        if (ctx.memoryMode) {
            uint32_t room = ctx.memoryEnd > ctx.outputPointer ? (uint32_t)(ctx.memoryEnd - ctx.outputPointer) : 0;
            if (piece > room) {
                CopyBlock(ctx.outputPointer, from, room);
                ctx.outputPointer += room;
                return 1;
            }
        }
        CopyBlock(ctx.outputPointer, from, piece);
        ctx.outputPointer += piece;
        ctx.pending += piece;
        if (ctx.pending == kIoBufferSize)
            FlushOutput();
        count -= piece;
        from += piece;
    }
    return 0;
}
