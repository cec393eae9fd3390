// The seam between the logic and the platform. The logic calls Win32 by its
// own names; under mingw that is <windows.h>, on the host our simulated subset.
#pragma once
#ifdef _WIN32
#include <windows.h>
#else
#include "platform/host/win32_host.h"
#endif
