// Deflate for the members mksfx compresses itself (folder input, and ZIP
// members with --recompress): libdeflate in the Linux build, whose levels
// go past zlib's; zlib in mksfx.exe, where Debian has no libdeflate for
// mingw (levels above 9 are zlib's 9 there). libdeflate takes a member
// whole; members too large to hold go through zlib's streaming deflate in
// both builds (DeflateStream).
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "builder/members/member_span.h"

enum : int {
    kLevelStore = 0,        // -0: every member stored
    kLevelDefault = 9,      // chosen by bench/compress: see the README's table
    kLevelBest = 12,        // --best: libdeflate's top level
};

// Raw Deflate of `n` bytes at `level` (1..12) into `out`; false when the
// result would not be smaller than the input (store it then) or on failure.
bool DeflateSmaller(const uint8_t *in, size_t n, int level, std::vector<uint8_t> &out);

// Whether this build compresses with libdeflate (else zlib).
bool HasLibdeflate();

// Raw Deflate of a stream fed in pieces, through zlib at `level` (levels
// above 9 are 9), its output handed to a sink as it comes.
struct DeflateStream;

// Starts a stream; null when zlib cannot (out of memory).
DeflateStream *StartDeflateStream(int level);

// Deflates the next `n` bytes (with `finish`, the last ones, and ends the
// stream), handing the output to `out`; false when zlib fails or `out`
// answers false.
bool DeflatePiece(DeflateStream *stream, const uint8_t *in, size_t n, bool finish, const ByteSink &out);

void EndDeflateStream(DeflateStream *stream);
