// The host build shows no dialogs: DialogBoxIndirectParamA only records the
// template it is given, so the main dialog's procedure is never called here.
// It exists for start-up to name; the dialog itself is ui/main_dialog.cpp,
// built for Windows and tested under Wine.
#include "ui/main_dialog.h"

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)dialog, (void)message, (void)wParam, (void)lParam;
    return FALSE;
}
