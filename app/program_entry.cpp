// The process entry of the stub. No C runtime start-up runs before it: the
// stub links none.
#include "app/command_line.h"
#include "app/main_sequence.h"
#include "context/extraction_context.h"

static void RunProgram() {
    ExitProcess(MainSequence(GetModuleHandleA(0), ArgumentText(GetCommandLineA())));
}

// The entry sets the context register (context/extraction_context.h), then
// runs the program through a volatile pointer, so that none of it can run
// before the register is set. Its section's name sorts behind those of all
// the other code (stub/stub.ld sorts them by name).
extern "C" __attribute__((section(".text$zentry"))) void __stdcall StubEntry() {
    SET_CONTEXT_REGISTER();
    void (*volatile run)() = RunProgram;
    run();
}
