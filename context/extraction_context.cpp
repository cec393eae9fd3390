#include "context/extraction_context.h"

// The storage itself, under its own name also where ctx names the register.
// The stub's entry points set the register from the symbol in assembly,
// out of the compiler's sight: it keeps the symbol as it is.
#undef ctx
#ifdef TARVEX_CONTEXT_REGISTER
__attribute__((used, externally_visible))
#endif
ExtractionContext ctx;

#ifdef TARVEX_CONTEXT_REGISTER
// Entered by a jump from a wrapper (WithContextRegister) with the procedure
// on top of the stack, above the return address into Windows and the four
// arguments.
extern "C" __attribute__((naked, used, externally_visible)) void ContextRegisterCall() {
    __asm__("popl %%eax\n\t"          // the procedure
            "pushl %%ebx\n\t"         // the caller's EBX
            "movl $_ctx+%c0, %%ebx\n\t"
            "pushl 20(%%esp)\n\t"     // the arguments, last first
            "pushl 20(%%esp)\n\t"
            "pushl 20(%%esp)\n\t"
            "pushl 20(%%esp)\n\t"
            "call *%%eax\n\t"         // it takes its arguments off the stack
            "popl %%ebx\n\t"
            "ret $16" : : "i"(kContextRegisterBias));
}
#endif
