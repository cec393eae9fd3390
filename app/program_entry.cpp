// The process entry of the stub. No C runtime start-up runs before it: the
// stub links none.
#include "app/command_line.h"
#include "app/main_sequence.h"
#include "context/extraction_context.h"

// The entry sets the context register (context/extraction_context.h), then
// runs the program in a function of its own, so that nothing of the
// program can run before the register is set.
extern "C" __attribute__((used, externally_visible, noinline)) void __stdcall StubMain() {
    ExitProcess(MainSequence(GetModuleHandleA(0), ArgumentText(GetCommandLineA())));
}

// In a section of its own, whose name sorts behind those of all the other
// code (stub/stub.ld sorts them by name).
__asm__(".section \".text$~entry\",\"x\"\n"
        ".globl _StubEntry@0\n"
        "_StubEntry@0:\n"
        "    movl $_ctx+128, %ebx\n"
        "    jmp _StubMain@0\n"
        ".text\n");
static_assert(kContextRegisterBias == 128, "the entry sets the register with the same bias");
