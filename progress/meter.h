// The progress meter control: a window class of its own with four messages.
#pragma once
#include "image/resource_ids.h"   // the main dialog's control ids, kIdMeter among them
#include "platform/win32.h"

enum MeterMessages {
    METER_SETRANGE = WM_USER,       // wParam: range (low 16 bits)
    METER_GETRANGE = WM_USER + 1,
    METER_SETPOS = WM_USER + 2,     // wParam: position (low 16 bits)
    METER_GETPOS = WM_USER + 3,
};

// Registers the window class "Meter" (class names match without regard to
// case, so the template's "meter" control is one of these).
void RegisterMeterClass(HINSTANCE instance);

// With create set: makes the meter's 6-point font, selects it into dc and
// answers the font it replaced (null when the font could not be made; then
// nothing is selected). With create clear: selects previous back into dc and
// deletes the font that this takes out, if any; answers null.
HFONT CreateMeterFont(HDC dc, HFONT previous, int create);
