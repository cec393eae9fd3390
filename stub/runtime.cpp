// The memory routines the compiler may call on its own (structure copies,
// zero-filled locals). The stub links no C runtime, so it carries them
// itself, as the string instructions, which are the smallest form. 64-bit
// division is in division.cpp.
#include <stddef.h>

extern "C" {

void *memcpy(void *to, const void *from, size_t n) {
    void *result = to;
    __asm__ volatile("rep movsb" : "+D"(to), "+S"(from), "+c"(n) : : "memory");
    return result;
}

void *memset(void *to, int value, size_t n) {
    void *result = to;
    __asm__ volatile("rep stosb" : "+D"(to), "+c"(n) : "a"(value) : "memory");
    return result;
}

// Overlapping with the destination above the source: copy from the top down.
void *memmove(void *to, const void *from, size_t n) {
    unsigned char *d = (unsigned char *)to;
    const unsigned char *s = (const unsigned char *)from;
    if (d <= s || d >= s + n)
        return memcpy(to, from, n);
    d += n - 1;
    s += n - 1;
    __asm__ volatile("std\n\trep movsb\n\tcld" : "+D"(d), "+S"(s), "+c"(n) : : "memory");
    return to;
}

int memcmp(const void *a, const void *b, size_t n) {
    const unsigned char *p = (const unsigned char *)a;
    const unsigned char *q = (const unsigned char *)b;
    for (; n != 0; n--, p++, q++)
        if (*p != *q)
            return *p - *q;
    return 0;
}
}  // extern "C"
