// The progress meter: a bar filled from the left in proportion to position
// over range, with "Unzipping <file>" centred across it in inverse colours on
// the two parts so that the text reads on both. The control keeps its state
// in its window extra bytes; everything else is made afresh at each paint.
#include "progress/meter.h"

#include <stdint.h>

#include "context/extraction_context.h"
#include "progress/status_line.h"

enum MeterState {
    kRangeOffset = 0,       // two unsigned 16-bit words in the window extra bytes
    kPositionOffset = 2,
    kMeterExtraBytes = 4,
};

enum MeterLook {
    kMeterPointSize = 6,
    kPointsPerInch = 72,
    kMeterCharset = 128,            // the Shift-JIS character set identifier
    kStartRange = 100,              // the state right after creation: half full
    kStartPosition = 50,
    kMeterTextSize = 1024,          // wsprintfA never writes more
};

// Client widths beyond this are cut for the split's product only.
static const uint32_t kWidestProduct = 0xFFFF;

static_assert(kPositionOffset + sizeof(WORD) == kMeterExtraBytes, "range and position fill the extra bytes");
static_assert(uint64_t{kWidestProduct} * 0xFFFF <= UINT32_MAX,
              "the split's product of width and position fits in 32 bits");

static const char kMeterClassName[] = "Meter";
static const char kMeterFaceName[] = "MS Sans Serif";

HFONT CreateMeterFont(HDC dc, HFONT previous, int create) {
    if (!create) {
        HGDIOBJ made = SelectObject(dc, previous);
        if (made)
            DeleteObject(made);
        return NULL;
    }
    // The meter's device context is the display's: its LOGPIXELSY is the
    // display's, and no display context of its own has to be made per paint.
    LOGFONTA look = {};
    lstrcpyA(look.lfFaceName, kMeterFaceName);
    look.lfHeight = GetDeviceCaps(dc, LOGPIXELSY) * -kMeterPointSize / kPointsPerInch;
    look.lfCharSet = kMeterCharset;
    HFONT font = CreateFontIndirectA(&look);
    if (!font)
        return NULL;
    return static_cast<HFONT>(SelectObject(dc, font));
}

// Draws text centred at x, y in textColour on backColour, clipped to and
// filling area.
static void DrawMeterPart(HDC dc, int x, int y, const RECT *area, const WCHAR *text, COLORREF textColour,
                          COLORREF backColour) {
    SetTextColor(dc, textColour);
    SetBkColor(dc, backColour);
    ExtTextOutW(dc, x, y, ETO_OPAQUE | ETO_CLIPPED, area, text, lstrlenW(text), NULL);
}

// The two outputs cover the whole client area, so the meter is never erased.
static void PaintMeter(HWND meter) {
    uint32_t range = static_cast<WORD>(SendMessageA(meter, METER_GETRANGE, 0, 0));
    uint32_t position = static_cast<WORD>(SendMessageA(meter, METER_GETPOS, 0, 0));
    if (range == 0) {
        range = 1;
        position = 0;
    }
    WCHAR text[kMeterTextSize];
    FormatUnzipping(text);

    PAINTSTRUCT paint;
    HDC dc = BeginPaint(meter, &paint);
    HFONT previous = CreateMeterFont(dc, NULL, 1);
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    COLORREF highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    SetTextAlign(dc, TA_CENTER | TA_TOP);

    RECT client;
    GetClientRect(meter, &client);
    uint32_t width = static_cast<uint32_t>(client.right);
    if (width > kWidestProduct)
        width = kWidestProduct;
    LONG split = static_cast<LONG>(width * position / range);
    int x = client.right / 2;
    // The text's top lies a quarter of the free height down (rounded toward
    // minus infinity when the text is taller than the bar). Without a
    // measurement it starts at the top, and the filled part is still drawn:
    // the meter is never erased, so leaving that part out would leave
    // whatever was on the screen there before.
    int y = 0;
    SIZE letter;
    if (GetTextExtentPoint32A(dc, "X", 1, &letter))
        y = (client.bottom - letter.cy) >> 2;

    // The filled part in the highlight colour, the empty part inverse.
    RECT filled = {0, 0, split, client.bottom};
    DrawMeterPart(dc, x, y, &filled, text, highlightText, highlight);
    RECT empty = {split, 0, client.right, client.bottom};
    DrawMeterPart(dc, x, y, &empty, text, highlight, highlightText);

    CreateMeterFont(dc, previous, 0);
    EndPaint(meter, &paint);
}

// Stores one of the two words and repaints at once: the pass moves the meter
// from inside its own loop, where no paint message would be seen in time.
static LRESULT StoreMeterWord(HWND meter, int offset, WPARAM value) {
    SetWindowWord(meter, offset, static_cast<WORD>(value));
    InvalidateRect(meter, NULL, FALSE);
    UpdateWindow(meter);
    return 0;
}

static LRESULT CALLBACK MeterWndProc(HWND meter, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        SendMessageA(meter, METER_SETRANGE, kStartRange, 0);
        SendMessageA(meter, METER_SETPOS, kStartPosition, 0);
        return 0;
    case WM_PAINT:
        PaintMeter(meter);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case METER_SETRANGE:
        return StoreMeterWord(meter, kRangeOffset, wParam);
    case METER_GETRANGE:
        return static_cast<WORD>(GetWindowWord(meter, kRangeOffset));
    case METER_SETPOS:
        return StoreMeterWord(meter, kPositionOffset, wParam);
    case METER_GETPOS:
        return static_cast<WORD>(GetWindowWord(meter, kPositionOffset));
    default:
        return DefWindowProcA(meter, message, wParam, lParam);
    }
}

void RegisterMeterClass(HINSTANCE instance) {
    WNDCLASSA meterClass = {};
    meterClass.style = CS_HREDRAW | CS_VREDRAW;
    meterClass.lpfnWndProc = WINDOWS_PROCEDURE(MeterWndProc);
    meterClass.cbWndExtra = kMeterExtraBytes;
    meterClass.hInstance = instance;
    meterClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    meterClass.lpszClassName = kMeterClassName;
    RegisterClassA(&meterClass);
}
