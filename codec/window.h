// The 32 KB sliding window: copies inside it and its hand-over to the output.
#pragma once
#include <stdint.h>

#include "codec/word_access.h"
#include "context/extraction_context.h"

static_assert(kWindowAllocation >= kWindowSize + 8,
              "word-wide copies may touch 8 bytes past the window's end");
static_assert((kWindowSize & (kWindowSize - 1)) == 0, "positions wrap with a mask");

// Copies count bytes forward one at a time, so an overlapping copy repeats
// the bytes just written. Answers the destination.
uint8_t *CopyBytes(uint8_t *destination, const uint8_t *source, uint32_t count);
// Sets count bytes to value. Answers the destination.
uint8_t *FillBytes(uint8_t *destination, uint8_t value, uint32_t count);
// Copies count bytes between blocks that do not overlap, a word at a time,
// touching nothing outside them.
void CopyBlock(uint8_t *destination, const uint8_t *source, uint32_t count);

// Hands the first count (at most 32768) bytes of the window on to the output
// in the output buffer's 2048-byte pieces, calling FlushOutput at each full
// piece. Answers 0; 1 when a memory-mode destination is full (it is then
// written up to its last byte and no further).
int FlushWindow(uint32_t count);

// Copies one run of n >= 1 bytes from window position `from` to `to`, with
// the byte-by-byte meaning of a Deflate match. Neither range may pass the
// window's end. Distances of 8 and more (and sources ahead of the
// destination) go a word at a time: the reads stay ahead of or clear of the
// writes, and the word written past the run's end is put back as it was,
// since it still holds what a far distance may reach.
inline void CopyRun(uint8_t *window, uint32_t to, uint32_t from, uint32_t n) {
    uint8_t *out = window + to;
    if (from < to && to - from < 8) {
        if (to - from == 1)
            FillBytes(out, out[-1], n);
        else
            CopyBytes(out, window + from, n);
        return;
    }
    const uint8_t *in = window + from;
    uint64_t behind = LoadWord(out + n);
    uint32_t done = 0;
    do {
        StoreWord(out + done, LoadWord(in + done));
        done += 8;
    } while (done < n);
    StoreWord(out + n, behind);
}

// Copies a match to window position `to` when to + length stays inside the
// window: the source (distance back, modulo the window) may wrap round the
// window's end and is then copied in two runs.
inline void CopyMatchInside(uint8_t *window, uint32_t to, uint32_t distance, uint32_t length) {
    uint32_t from = (to - distance) & (kWindowSize - 1);
    while (length > 0) {
        uint32_t run = kWindowSize - (from > to ? from : to);
        if (run > length)
            run = length;
        CopyRun(window, to, from, run);
        to += run;
        from = (from + run) & (kWindowSize - 1);
        length -= run;
    }
}
