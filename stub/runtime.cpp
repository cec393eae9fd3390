// The routines the compiler may call on its own: the four memory routines
// (structure copies, zero-filled locals) and 64-bit division. The stub links
// no C runtime, so it carries them itself. The memory routines are the
// string instructions, which are the smallest form.
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

// 64-bit division, which the compiler turns into calls on a 32-bit target.
// The compiler's own helpers bring unwind tables with them, a section of
// their own in the file; bit by bit is small and fast enough for the few
// divisions the stub makes.
static unsigned long long DivideUnsigned(unsigned long long n, unsigned long long d, unsigned long long *rest) {
    unsigned long long quotient = 0, remainder = 0;
    for (int bit = 63; bit >= 0; bit--) {
        remainder = (remainder << 1) | ((n >> bit) & 1);
        if (remainder >= d) {
            remainder -= d;
            quotient |= 1ULL << bit;
        }
    }
    *rest = remainder;
    return quotient;
}

extern "C" {

unsigned long long __udivdi3(unsigned long long n, unsigned long long d) {
    unsigned long long rest;
    return DivideUnsigned(n, d, &rest);
}

unsigned long long __umoddi3(unsigned long long n, unsigned long long d) {
    unsigned long long rest;
    DivideUnsigned(n, d, &rest);
    return rest;
}

long long __divdi3(long long n, long long d) {
    unsigned long long rest;
    unsigned long long q = DivideUnsigned(n < 0 ? 0 - (unsigned long long)n : (unsigned long long)n,
                                          d < 0 ? 0 - (unsigned long long)d : (unsigned long long)d, &rest);
    return (n < 0) != (d < 0) ? -(long long)q : (long long)q;
}

long long __moddi3(long long n, long long d) {
    unsigned long long rest;
    DivideUnsigned(n < 0 ? 0 - (unsigned long long)n : (unsigned long long)n,
                   d < 0 ? 0 - (unsigned long long)d : (unsigned long long)d, &rest);
    return n < 0 ? -(long long)rest : (long long)rest;
}
}  // extern "C"
