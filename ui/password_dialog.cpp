// The password dialog: its template lives in the resource block and is
// expanded afresh for every showing (image/resources).
#include "ui/password_dialog.h"

#include "base/exit_codes.h"
#include "context/extraction_context.h"
#include "image/resources.h"
#include "ui/dialog_frame.h"
#include "ui/password_text.h"

// OK: an empty edit or a failed copy keeps the dialog open.
static void ConfirmPassword(HWND dialog) {
    char text[kPasswordReadLimit];
    int length = (int)SendDlgItemMessageA(dialog, kPasswordEdit, WM_GETTEXT, kPasswordReadLimit, (LPARAM)text);
    if (StorePassword(text, length))
        EndDialog(dialog, 1);
}

static INT_PTR CALLBACK PasswordDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (message == WM_INITDIALOG) {
        PlaceDialog(dialog);
        return TRUE;
    }
    if (message == WM_SETFONT) {
        GiveCodePageFont(GetDlgItem(dialog, kPasswordEdit));
    } else if (message == WM_COMMAND) {
        // The whole wParam: only a click, Enter or Escape (notification 0).
        if (wParam == IDOK)
            ConfirmPassword(dialog);
        else if (wParam == IDCANCEL)
            EndDialog(dialog, 0);   // passwordText keeps its earlier value
    }
    return 0;
}

int AskPassword(HWND owner) {
    if (!ctx.currentEntryEncrypted)
        return 1;
    // Under -silent the password that would be asked for ends the run.
    if (ctx.silent) {
        ctx.exitStatus = kExitNeedsAnswer;
        return 0;
    }
    // The low byte decides: 1 after OK, 0 after Cancel or without a template.
    // A failed dialog call (-1) lets the pass go on with passwordText as it is.
    return (int)(RunPasswordTemplate(owner, WINDOWS_PROCEDURE(PasswordDialogProc)) & 0xFF);
}
