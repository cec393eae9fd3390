// The process entry of the stub. No C runtime start-up runs before it: the
// stub links none.
#include "app/command_line.h"
#include "app/main_sequence.h"
#include "context/extraction_context.h"

static void RunProgram() {
    ExitProcess(MainSequence(GetModuleHandleA(0), ArgumentText(GetCommandLineW())));
}

// The entry sets the context register (context/extraction_context.h) and
// goes on in the program, all in assembly, where the compiler cannot move
// any part of the program ahead of the register. Its section's name sorts
// behind those of all the other code (stub/stub.ld sorts them by name).
extern "C" __attribute__((naked, section(".text$zentry"))) void __stdcall StubEntry() {
    __asm__("movl $_ctx+%c0, %%ebx\n\t"
            "jmp %P1" : : "i"(kContextRegisterBias), "i"(RunProgram));
}
