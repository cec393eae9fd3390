// The stub's own 64-bit unsigned division (stub/division.cpp), linked here in
// place of the compiler's. Its quotient, hand-written in assembly, must agree
// with its remainder, which comes from the separate C routine: q * d + r = n
// with r < d, for a table of edge cases and a long run of pseudo-random
// pairs. Prints the count of cases and of wrong ones; exits 1 on any.
#include <stdint.h>
#include <stdio.h>

static long cases, wrong;

static void Check(uint64_t a, uint64_t b) {
    if (b == 0)
        return;
    volatile uint64_t n = a, d = b;   // the compiler must call the routines, not fold them
    uint64_t q = n / d, r = n % d;
    cases++;
    wrong += !(r < b && q * b + r == a);
}

static uint64_t state = 88172645463325252ULL;
static uint64_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
}

int main() {
    static const uint64_t edges[] = {
        0, 1, 2, 3, 99, 100, 0xFFFFFFFFull, 0x100000000ull, 0x1FFFFFFFFull, 0x7FFFFFFFFFFFFFFFull,
        0x8000000000000000ull, 0x8000000000000001ull, 0xFFFFFFFFFFFFFFFEull, 0xFFFFFFFFFFFFFFFFull,
    };
    for (uint64_t a : edges)
        for (uint64_t b : edges)
            Check(a, b);
    for (int i = 0; i < 200000; i++) {
        uint64_t a = Next() >> (Next() & 63);
        Check(a, Next() >> (Next() & 63));
    }
    printf("%ld cases, %ld wrong\n", cases, wrong);
    return wrong != 0;
}
