// The output's way out: progress, the meter, the CRC-32, the file, and the
// message pump after every write.
#pragma once
#include <stdint.h>

// FlushOutput and WriteOutputPieces, the decoder's output, are declared with
// the decoder (codec/inflate.h).
#include "codec/inflate.h"

// count bytes of output to the file: the CRC-32 takes them, one write
// carries them, then CheckWrite. Not counted as progress.
void WriteOutputBytes(const uint8_t *data, uint32_t count);
// Reports a failed or short write (`written` as the write answered, against
// the count asked for), then pumps messages; a confirmed abort ends the pass.
void CheckWrite(uint32_t written, uint32_t count);
// Sends the meter its position bytesWritten * 100 / TotalSize when it is
// shown, then repaints it and the main dialog (the 64 KiB mark of
// FlushOutput, and before the overwrite question).
void RefreshMeter();

// The meter position for bytesWritten: bytesWritten * 100 / TotalSize cut
// to 16 bits, 100 while TotalSize is 0.
uint16_t MeterPosition();
