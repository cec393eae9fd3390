// The main dialog: the program's one window of its own.
#pragma once
#include "platform/win32.h"

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
