// The progress meter control: a window class of its own with four messages.
#pragma once
#include "platform/win32.h"

enum MeterMessages {
    METER_SETRANGE = WM_USER,       // wParam: range (low 16 bits)
    METER_GETRANGE = WM_USER + 1,
    METER_SETPOS = WM_USER + 2,     // wParam: position (low 16 bits)
    METER_GETPOS = WM_USER + 3,
};

enum MainDialogControls {
    kIdIntroduction = 101,
    kIdOverwrite = 102,
    kIdAfterUnzipCommand = 103,
    kIdHelp = 104,
    kIdFolderLabel = 105,
    kIdFolder = 106,
    kIdStatus = 109,
    kIdAfterUnzipCheck = 111,
    kIdAbout = 112,
    kIdRunArchiver = 113,
    kIdBrowse = 115,
    kIdMeter = 201,
};

void RegisterMeterClass(HINSTANCE instance);
