// The password dialog, shown before a pass when the archive needs a password.
#pragma once
#include "platform/win32.h"

// True to go on with the pass, false when the user cancelled. Shows the
// dialog only while currentEntryEncrypted is set; an OK leaves the typed text
// in passwordText.
int AskPassword(HWND owner);
