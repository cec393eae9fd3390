// The shell's folder-browser types: the system's own under mingw, a small
// stand-in on the host, where tests put fakes behind the three functions.
#pragma once
#include "platform/win32.h"
#ifdef TARVEX_REAL_WIN32
#include <shlobj.h>
#else
#include "platform/host/shell_host.h"
#endif
