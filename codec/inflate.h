// The Deflate decoder (raw RFC 1951 streams) over the context's 32 KB window.
// Memory mode: the caller points inputCursor/inputCount at the compressed
// bytes, outputPointer at a zero-filled destination and memoryEnd one past
// it, sets memoryMode, runs DecodeStream and clears memoryMode again.
// File mode: input comes through RefillInput, output through FlushOutput
// and WriteOutputPieces, which the decoder's user supplies (below).
#pragma once
#include <stdint.h>

// Result codes of the decoder and the table builder.
enum InflateResult {
    kInflateOk = 0,
    kInflateDataError = 1,        // bad stored length, invalid code, bad header, incomplete code,
                                  // input that ran out, a full memory-mode destination
    kInflateBadBlock = 2,         // block type 3, over-subscribed code
    kInflateNoMemory = 3,         // a table allocation failed: the caller ends with kInflateNoMemoryText
};

// BuildDecodeTable's answers (codec/decode_table.h); a block decoder hands
// a refused code's answer on as its own result.
enum TableResult {
    kTableComplete = kInflateOk,
    kTableIncomplete = kInflateDataError,      // the table is handed back; the caller decides
    kTableOversubscribed = kInflateBadBlock,   // no table
    kTableNoMemory = kInflateNoMemory,         // no table
};

// The decoder raises no box of its own: its caller reports kInflateNoMemory
// with this text, as an error.
inline constexpr char kInflateNoMemoryText[] = "not enough memory";

// Decodes one stream from its first block to its last; answers a result code.
int DecodeStream();

// Releases the decode tables of a block that an exit abandoned (a write
// error or an abort inside the output flush, a read error inside a refill).
// DecodeStream does it when it starts; shutdown may call it too.
void ReleaseDecodeTables();

// Takes the next input byte into *destination (zero-extended): 1 when a byte
// came, 0 when none could be had (destination untouched).
int FetchByte(uint16_t *destination);

// The decoder's input and output in file mode. The decoder declares them and
// its user defines them (archive/member_input.cpp, archive/flush_output.cpp),
// bound when the program is linked: the decoder sees no file, no meter and
// no box.
//
// Reads the next piece of the current member (at most 2048 bytes, never past
// memberBytesLeft) into inputBuffer, decrypting it when the member is
// encrypted. Answers the count now available; leaves inputCount one less
// (FetchByte takes the first at once), or 0 and 0 when nothing came.
int RefillInput();
// Empties a full output buffer: in memory mode it only resets pending; in
// file mode it hands the piece to WriteOutputPieces.
void FlushOutput();
// Output in whole 2048-byte pieces (the last may be shorter) in one write:
// progress counted piece by piece with the meter moved at its marks, then
// WriteOutputBytes.
void WriteOutputPieces(const uint8_t *data, uint32_t count);
