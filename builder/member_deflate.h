// Deflate for the members mksfx compresses itself (folder input, and ZIP
// members with --recompress): libdeflate in the Linux build, whose levels
// go past zlib's; zlib in mksfx.exe, where Debian has no libdeflate for
// mingw (levels above 9 are zlib's 9 there).
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

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
