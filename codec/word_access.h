// Unaligned word loads and stores for the decoder's word-wide paths. The
// targets are little-endian: byte 0 of a word is its lowest byte, which is
// what the bit buffer (next stream bit in bit 0) relies on.
//
// A machine word is what one register holds: 8 bytes on a 64-bit target, 4
// on i386. A 64-bit value there takes two registers and every shift of it a
// three-instruction sequence, so the word-wide paths work in machine words.
#pragma once
#include <stdint.h>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the decoder's word loads assume a little-endian machine"
#endif

#ifdef TARVEX_NARROW_WORDS
typedef uint32_t MachineWord;
#else
typedef uintptr_t MachineWord;
#endif
static_assert(sizeof(MachineWord) == 4 || sizeof(MachineWord) == 8, "a machine word is 4 or 8 bytes");

inline MachineWord LoadWord(const uint8_t *at) {
    MachineWord word;
    __builtin_memcpy(&word, at, sizeof word);
    return word;
}

inline void StoreWord(uint8_t *at, MachineWord word) {
    __builtin_memcpy(at, &word, sizeof word);
}
