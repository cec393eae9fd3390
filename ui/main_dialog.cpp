// Stand-in until the main dialog itself lands: ends the dialog at once so
// that start-up runs through to the shutdown.
#include "ui/main_dialog.h"

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)wParam, (void)lParam;
    if (message != WM_INITDIALOG)
        return FALSE;
    EndDialog(dialog, 0);
    return TRUE;
}
