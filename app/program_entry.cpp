// The process entry of the stub. No C runtime start-up runs before it: the
// stub links none.
#include "app/command_line.h"
#include "app/main_sequence.h"

extern "C" void __stdcall StubEntry() {
    ExitProcess(MainSequence(GetModuleHandleA(0), ArgumentText(GetCommandLineA())));
}
