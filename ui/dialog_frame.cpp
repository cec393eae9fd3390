#include "ui/dialog_frame.h"

#include "context/extraction_context.h"

void GiveCodePageFont(HWND window) {
    if (ctx.codePageFont && window)
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(ctx.codePageFont), TRUE);
}

void PlaceDialog(HWND dialog) {
    GiveCodePageFont(dialog);
    RECT frame;
    GetWindowRect(dialog, &frame);
    int x = (GetSystemMetrics(SM_CXSCREEN) + frame.left - frame.right) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) + frame.top - frame.bottom) / 2;
    SetWindowPos(dialog, NULL, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}
