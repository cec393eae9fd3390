// The Deflate decoder (raw RFC 1951 streams) over the context's 32 KB window.
// Memory mode: the caller points inputCursor/inputCount at the compressed
// bytes, outputPointer at a zero-filled destination and memoryEnd one past
// it, sets memoryMode, runs DecodeStream and clears memoryMode again.
// File mode: input comes through RefillInput, output through FlushOutput.
#pragma once
#include <stdint.h>

// Result codes of the decoder and the table builder.
enum InflateResult {
    kInflateOk = 0,
    kInflateDataError = 1,        // bad stored length, invalid code, bad header, incomplete code,
                                  // input that ran out, a full memory-mode destination
    kInflateBadBlock = 2,         // block type 3, over-subscribed code
    kInflateNoMemory = 3,         // a table allocation failed (the ErrorExit is taken)
};

// BuildDecodeTable's answers (codec/decode_table.h); a block decoder hands
// a refused code's answer on as its own result.
enum TableResult {
    kTableComplete = kInflateOk,
    kTableIncomplete = kInflateDataError,      // the table is handed back; the caller decides
    kTableOversubscribed = kInflateBadBlock,   // no table
    kTableNoMemory = kInflateNoMemory,         // not returned: the ErrorExit is taken
};

// Decodes one stream from its first block to its last; answers a result code.
int DecodeStream();

// Releases the decode tables of a block that an exit abandoned (a write
// error or an abort inside the output flush, a read error inside a refill).
// DecodeStream does it when it starts; shutdown may call it too.
void ReleaseDecodeTables();

// Takes the next input byte into *destination (zero-extended): 1 when a byte
// came, 0 when none could be had (destination untouched).
int FetchByte(uint16_t *destination);
