// The password dialog: asked before a pass whose members are encrypted.
#pragma once
#include "platform/win32.h"

// Asks for the password when the archive needs one (owner: the dialog that
// asks). Answers 0 when the user cancelled, non-zero to go on.
int AskPassword(HWND owner);
