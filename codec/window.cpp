#include "codec/inflate.h"
#include "codec/window.h"


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
    for (; done + sizeof(MachineWord) <= count; done += sizeof(MachineWord))
        StoreWord(destination + done, LoadWord(source + done));
    CopyBytes(destination + done, source + done, count - done);
}

static_assert((kIoBufferSize & (kIoBufferSize - 1)) == 0, "pieces are counted with a mask");

// Memory mode: the output runs on contiguously at the output pointer, up to
// the destination's end; pending still counts the bytes of the current
// 2048-byte piece, as FlushOutput's emptying in memory mode leaves it.
static int CopyToMemory(const uint8_t *from, uint32_t count) {
    uint32_t room = ctx.memoryEnd > ctx.outputPointer ? (uint32_t)(ctx.memoryEnd - ctx.outputPointer) : 0;
    int fits = count <= room;
    if (!fits)
        count = room;
    CopyBlock(ctx.outputPointer, from, count);
    ctx.outputPointer += count;
    ctx.pending = (ctx.pending + count) & (kIoBufferSize - 1);
    return fits;
}

// Adds up to `count` bytes to the output buffer's piece, writing the piece
// when it is full. Answers how many it took.
static uint32_t AddToPiece(const uint8_t *from, uint32_t count) {
    uint32_t piece = kIoBufferSize - ctx.pending;
    if (piece > count)
        piece = count;
    CopyBlock(ctx.outputPointer, from, piece);
    ctx.outputPointer += piece;
    ctx.pending += piece;
    if (ctx.pending == kIoBufferSize)
        FlushOutput();
    return piece;
}

// File mode writes the whole pieces of a drain straight from the window in
// one write, after topping up a piece begun before; only the rest waits in
// the output buffer. The file then holds, at every write and at every
// failure, exactly what piece-by-piece writing would have put there; only
// the number of writes is smaller.
int FlushWindow(uint32_t count) {
    const uint8_t *from = ctx.inflateWindow;
    if (ctx.memoryMode)
        return CopyToMemory(from, count);
    if (ctx.pending > 0) {
        uint32_t taken = AddToPiece(from, count);
        from += taken;
        count -= taken;
    }
    uint32_t whole = count - count % kIoBufferSize;
    if (whole > 0) {
        WriteOutputPieces(from, whole);
        from += whole;
        count -= whole;
    }
    AddToPiece(from, count);
    return 1;
}
