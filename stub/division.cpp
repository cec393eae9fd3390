// 64-bit division, which the compiler turns into calls on a 32-bit target.
// The stub links no C runtime and none of the compiler's helpers (those bring
// unwind tables with them, a section of their own in the file), so it
// carries its own.
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

// The one the stub calls (the meter's percentage), by itself: the same bit
// by bit division in registers is a quarter of the size of the code the
// compiler makes of DivideUnsigned. n's bits move out at the top into the
// remainder while the quotient's bits come in at the bottom. Before the
// k-th shift the remainder holds at most k - 1 bits, so it never overflows.
//   unsigned long long __udivdi3(unsigned long long n, unsigned long long d)
__asm__(
    ".globl ___udivdi3\n"
    "___udivdi3:\n"
    "    pushl %ebx\n"
    "    pushl %esi\n"
    "    pushl %edi\n"
    "    pushl %ebp\n"
    "    movl 20(%esp), %eax\n"     // n, low and high
    "    movl 24(%esp), %edx\n"
    "    xorl %esi, %esi\n"         // remainder, low and high
    "    xorl %edi, %edi\n"
    "    movl $64, %ecx\n"
    "1:  shll $1, %eax\n"
    "    rcll $1, %edx\n"
    "    rcll $1, %esi\n"
    "    rcll $1, %edi\n"
    "    movl %esi, %ebx\n"
    "    movl %edi, %ebp\n"
    "    subl 28(%esp), %ebx\n"     // remainder - d
    "    sbbl 32(%esp), %ebp\n"
    "    jb 2f\n"
    "    movl %ebx, %esi\n"
    "    movl %ebp, %edi\n"
    "    incl %eax\n"               // quotient bit 1
    "2:  loop 1b\n"
    "    popl %ebp\n"
    "    popl %edi\n"
    "    popl %esi\n"
    "    popl %ebx\n"
    "    ret\n");

extern "C" {

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
