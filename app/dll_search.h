// Loading the shell without picking up a library planted beside the image
// or in the current folder (an image is often run from a downloads folder).
#pragma once
#include "platform/win32.h"

// Limits the search for libraries loaded later (the shell's own, loaded on
// demand) to the system folder where the system can do that, and takes the
// current folder out of the search. Run before any library is loaded.
void RestrictDllSearch();

// Loads the shell library by its full path in the system folder (after the
// common controls, which its folder browser loads by name); null when that
// cannot be done. In the stub, ShellExecuteA and FindExecutableA go
// through the library loaded here (platform/win32.h), and answer error 32
// (library not found) without it.
HMODULE LoadShellLibrary();
