// meter_probe: the progress meter control on its own, checked from inside
// the process that owns it. Prints one line per check for the Wine test to
// compare: the state a new meter starts in, the 16-bit values, the dialog
// code, the colours of both parts of the bar for a table of ranges and
// positions, the inverse text on both parts, and the font's life.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>

#include "progress/meter.h"

// The meter paints the entry output's text; a fixed member name here.
void FormatUnzipping(WCHAR *buffer)
{
    lstrcpyW(buffer, L"Unzipping probe-member.txt");
}

static const int kWidth = 200;
static const int kHeight = 16;

struct Sample {
    WPARAM range, position;
    int x[4];        // columns sampled on the top and bottom rows
};

// split = width * position / range, truncated; range 0 paints as empty.
static const Sample kSamples[] = {
    {100, 50, {2, 99, 100, 197}},
    {0, 30, {2, 99, 100, 197}},
    {100, 150, {2, 99, 100, 197}},
    {3, 1, {2, 65, 66, 197}},
    {100, 0, {0, 1, 100, 199}},
    {100, 100, {0, 100, 198, 199}},
};

static const char *ColourName(COLORREF colour)
{
    if (colour == GetSysColor(COLOR_HIGHLIGHT)) return "filled";
    if (colour == GetSysColor(COLOR_HIGHLIGHTTEXT)) return "empty";
    static char other[32];
    snprintf(other, sizeof other, "other(%06lx)", (unsigned long)colour);
    return other;
}

// The meter's client area, copied out in one go (reading pixel by pixel is
// slow where Wine runs emulated), as COLORREF values.
struct Picture {
    COLORREF pixel[kHeight][kWidth];
};

static void Capture(HWND meter, Picture &picture)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HDC window = GetDC(meter);
    HDC memory = CreateCompatibleDC(window);
    HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, kWidth, kHeight, window, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD *rows = (const DWORD *)bits;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            DWORD bgra = rows[y * kWidth + x];
            picture.pixel[y][x] = RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
        }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(meter, window);
}

// The colour of the top and bottom rows at x (the text never reaches them),
// or "mixed" when they differ.
static const char *EdgeColour(const Picture &picture, int x)
{
    COLORREF top = picture.pixel[0][x], bottom = picture.pixel[kHeight - 1][x];
    return top == bottom ? ColourName(top) : "mixed";
}

// Pixels of the middle rows in columns [from, to) that differ from the
// part's own background: the text.
static int TextPixels(const Picture &picture, int from, int to, COLORREF background)
{
    int count = 0;
    for (int y = 1; y < kHeight - 1; ++y)
        for (int x = from; x < to; ++x)
            count += picture.pixel[y][x] != background;
    return count;
}

static void CheckFont(HWND meter)
{
    HDC dc = GetDC(meter);
    HFONT previous = CreateMeterFont(dc, nullptr, 1);
    HFONT made = (HFONT)GetCurrentObject(dc, OBJ_FONT);
    LOGFONTA look = {};
    GetObjectA(made, sizeof look, &look);
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    int expected = GetDeviceCaps(display, LOGPIXELSY) * -6 / 72;
    DeleteDC(display);
    printf("font: height %s, charset %d, face \"%s\", replaced the %s font\n",
           look.lfHeight == expected ? "6 points" : "wrong", look.lfCharSet, look.lfFaceName,
           previous ? "previous" : "no");
    CreateMeterFont(dc, previous, 0);
    printf("font after restore: %s, %s\n", GetCurrentObject(dc, OBJ_FONT) == previous ? "previous back" : "not back",
           GetObjectType(made) == 0 ? "deleted" : "still there");
    ReleaseDC(meter, dc);
}

int main()
{
    // Plain line feeds and every line at once, for the test that reads them.
    _setmode(_fileno(stdout), _O_BINARY);
    setvbuf(stdout, nullptr, _IONBF, 0);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RegisterMeterClass(instance);
    HWND frame = CreateWindowExA(0, "STATIC", "meter probe", WS_POPUP | WS_VISIBLE, 0, 0, kWidth + 20,
                                 kHeight + 20, nullptr, nullptr, instance, nullptr);
    // The dialog template names the class in lower case.
    HWND meter = CreateWindowExA(0, "meter", "", WS_CHILD | WS_VISIBLE, 10, 10, kWidth, kHeight, frame, nullptr,
                                 instance, nullptr);
    if (!meter) {
        printf("no meter window\n");
        return 1;
    }
    UpdateWindow(frame);
    printf("created: range %d, position %d\n", (int)SendMessageA(meter, METER_GETRANGE, 0, 0),
           (int)SendMessageA(meter, METER_GETPOS, 0, 0));
    printf("dialog code: 0x%x\n", (unsigned)SendMessageA(meter, WM_GETDLGCODE, 0, 0));
    SendMessageA(meter, METER_SETRANGE, 0x10064, 0);
    SendMessageA(meter, METER_SETPOS, 0x12345, 0);
    printf("low 16 bits kept: range %d, position 0x%x\n", (int)SendMessageA(meter, METER_GETRANGE, 0, 0),
           (unsigned)SendMessageA(meter, METER_GETPOS, 0, 0));

    // Each message repaints at once: no message loop runs between them.
    static Picture picture;
    for (const Sample &sample : kSamples) {
        SendMessageA(meter, METER_SETRANGE, sample.range, 0);
        SendMessageA(meter, METER_SETPOS, sample.position, 0);
        Capture(meter, picture);
        printf("range %d position %d:", (int)sample.range, (int)sample.position);
        for (int x : sample.x) printf(" %d %s", x, EdgeColour(picture, x));
        printf("\n");
    }
    // Half full: the text crosses the split, so it shows on both parts.
    SendMessageA(meter, METER_SETRANGE, 100, 0);
    SendMessageA(meter, METER_SETPOS, 50, 0);
    Capture(meter, picture);
    int onFilled = TextPixels(picture, 0, kWidth / 2, GetSysColor(COLOR_HIGHLIGHT));
    int onEmpty = TextPixels(picture, kWidth / 2, kWidth, GetSysColor(COLOR_HIGHLIGHTTEXT));
    printf("text: %s on the filled part, %s on the empty part\n", onFilled > 10 ? "drawn" : "missing",
           onEmpty > 10 ? "drawn" : "missing");

    CheckFont(meter);
    DestroyWindow(frame);
    return 0;
}
