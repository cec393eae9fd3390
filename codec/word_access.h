// Unaligned 8-byte loads and stores for the decoder's word-wide paths. The
// targets are little-endian: byte 0 of a word is its lowest byte, which is
// what the bit buffer (next stream bit in bit 0) relies on.
#pragma once
#include <stdint.h>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the decoder's word loads assume a little-endian machine"
#endif

inline uint64_t LoadWord(const uint8_t *at) {
    uint64_t word;
    __builtin_memcpy(&word, at, sizeof word);
    return word;
}

inline void StoreWord(uint8_t *at, uint64_t word) {
    __builtin_memcpy(at, &word, sizeof word);
}
