// dialog_probe [NAME]: a modal dialog with an edit field, a check box, a
// hidden and a disabled control, for uidriver's own tests.
//   OK      shows "Name: <name>\nVerbose: yes|no" and exits with 10 (+1 when
//           Verbose is checked);
//   Cancel  exits with 2;
//   Start   runs a busy pass that pumps messages like the extraction pass
//           does: a click or key aimed at the dialog asks "Stop the work?";
//           Yes exits with 3, No goes on; the pass ends by itself after
//           60 s with exit code 4.
#include <windows.h>
#include <stdio.h>
#include "dialog_probe_ids.h"

static const DWORD kPassMs = 60000;

// Whether the user confirmed stopping; user input aimed at the dialog asks,
// everything else is dispatched.
static bool UserStopsPass(HWND dialog)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        bool userInput = msg.message == WM_LBUTTONDOWN || msg.message == WM_KEYDOWN;
        if (userInput && (msg.hwnd == dialog || GetParent(msg.hwnd) == dialog))
            return MessageBoxA(dialog, "Stop the work?", "Probe Dialog", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) ==
                   IDYES;
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return false;
}

static void RunPass(HWND dialog)
{
    EnableWindow(GetDlgItem(dialog, IDC_START), FALSE);
    SetDlgItemTextA(dialog, IDC_STATUS, "Working");
    DWORD start = GetTickCount();
    while (GetTickCount() - start < kPassMs) {
        if (UserStopsPass(dialog)) {
            SetDlgItemTextA(dialog, IDC_STATUS, "Stopped");
            EndDialog(dialog, 3);
            return;
        }
        Sleep(20);
    }
    EndDialog(dialog, 4);
}

static void ReportAndClose(HWND dialog)
{
    char name[128], text[256];
    GetDlgItemTextA(dialog, IDC_NAME, name, sizeof name);
    bool verbose = IsDlgButtonChecked(dialog, IDC_VERBOSE) == BST_CHECKED;
    snprintf(text, sizeof text, "Name: %s\nVerbose: %s", name, verbose ? "yes" : "no");
    MessageBoxA(dialog, text, "Probe Result", MB_OK | MB_ICONINFORMATION);
    EndDialog(dialog, verbose ? 11 : 10);
}

static INT_PTR CALLBACK ProbeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        if (lParam) SetDlgItemTextA(dialog, IDC_NAME, (const char *)lParam);
        return TRUE;
    case WM_COMMAND:
        if (wParam == IDOK) ReportAndClose(dialog);
        else if (wParam == IDCANCEL) EndDialog(dialog, 2);
        else if (wParam == IDC_START) RunPass(dialog);
        else return FALSE;
        return TRUE;
    }
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    const char *name = __argc > 1 ? __argv[1] : nullptr;
    return (int)DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PROBE), nullptr, ProbeDialogProc, (LPARAM)name);
}
