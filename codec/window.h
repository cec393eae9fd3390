// The 32 KB sliding window: copies inside it and its hand-over to the output.
#pragma once
#include <stdint.h>

#include "codec/word_access.h"
#include "context/extraction_context.h"

static_assert(kWindowAllocation >= kWindowSize + sizeof(MachineWord),
              "word-wide copies may touch a word past the window's end");
static_assert((kWindowSize & (kWindowSize - 1)) == 0, "positions wrap with a mask");

// Copies count bytes forward one at a time, so an overlapping copy repeats
// the bytes just written. Answers the destination.
uint8_t *CopyBytes(uint8_t *destination, const uint8_t *source, uint32_t count);
// Sets count bytes to value. Answers the destination.
uint8_t *FillBytes(uint8_t *destination, uint8_t value, uint32_t count);
// Copies count bytes between blocks that do not overlap, a word at a time,
// touching nothing outside them.
void CopyBlock(uint8_t *destination, const uint8_t *source, uint32_t count);

// Hands the first count (at most 32768) bytes of the window on to the
// output: in memory mode to the output pointer; in file mode as 2048-byte
// pieces of output, the whole ones written at once and the rest left pending
// in the output buffer. Answers 1; 0 when a memory-mode destination is full
// (it is then written up to its last byte and no further).
int FlushWindow(uint32_t count);

// Copies n >= 1 bytes a machine word at a time, for a source at least a
// word behind the destination or anywhere ahead of it: the reads then stay
// clear of, or ahead of, the writes, and each byte comes out as a
// byte-by-byte forward copy gives it. The word written past the end is put
// back as it was, since it still holds what a far distance may reach; a
// word behind both ranges must be addressable.
inline void CopyWords(uint8_t *to, const uint8_t *from, uint32_t n) {
    MachineWord behind = LoadWord(to + n);
    uint32_t done = 0;
    do {
        StoreWord(to + done, LoadWord(from + done));
        done += sizeof(MachineWord);
    } while (done < n);
    StoreWord(to + n, behind);
}

// Copies one run of n >= 1 bytes from window position `from` to `to`, with
// the byte-by-byte meaning of a Deflate match. Neither range may pass the
// window's end.
inline void CopyRun(uint8_t *window, uint32_t to, uint32_t from, uint32_t n) {
    if (from < to && to - from < sizeof(MachineWord)) {
        if (to - from == 1)
            FillBytes(window + to, window[from], n);
        else
            CopyBytes(window + to, window + from, n);
        return;
    }
    CopyWords(window + to, window + from, n);
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
