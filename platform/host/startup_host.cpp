// The few GDI and dialog calls start-up makes, on the host: a font handle
// stands for the font, and ending a dialog is only recorded.
#include "platform/host/sim_internal.h"

using namespace hostsim;

HFONT CreateFontIndirectA(const LOGFONTA *font) {
    Sim().fontsCreated.push_back(*font);
    return (HFONT)(uintptr_t)(0x20000 + Sim().fontsCreated.size());
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    (void)result;
    Sim().endedDialogs.push_back(dialog);
    return dialog != nullptr;
}
