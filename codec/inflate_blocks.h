// The decoder's steps below DecodeStream: one block at a time, and the
// symbol loop that the two Huffman block types share. Each answers an
// InflateResult (codec/inflate.h) and works on the context's bit state.
#pragma once
#include "codec/decode_table.h"

// Reads a block header and decodes the block; *last gets the last-block flag.
int DecodeBlock(int *last);
int CopyStoredBlock();
int DecodeFixedBlock();
int DecodeDynamicBlock();

// Decodes literal/length and distance symbols into the window up to the end
// of the block. The roots are looked up with litBits and distBits. A missing
// table (a code without symbols) decodes as invalid. Answers 0 at the
// end-of-block symbol, 1 on an invalid code, on input that ran out or when a
// memory-mode destination is full.
int DecodeSymbols(const HuffmanEntry *literals, const HuffmanEntry *distances, unsigned litBits,
                  unsigned distBits);
