// What the program's two dialogs share when they open: the code-page font
// and a place in the middle of the screen.
#pragma once
#include "platform/win32.h"

// Gives window (a dialog or a control; none is fine) the code-page font, when
// start-up made one, and redraws it.
void GiveCodePageFont(HWND window);

// A dialog's first steps: the code-page font, then centred on the screen.
void PlaceDialog(HWND dialog);
