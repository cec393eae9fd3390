// msgbox_probe [TEXT [CAPTION [TYPE]]]: shows one message box and exits with
// the id of the button that closed it (IDOK 1, IDCANCEL 2, IDYES 6, ...).
// TYPE is the MB_ flags as a number (decimal or 0x hex), default MB_OK.
// "\n" in TEXT becomes a line break. A test fixture for uidriver.
#include <windows.h>
#include <stdlib.h>
#include <string.h>

// Turns the two characters "\n" into a line break, in place.
static void ExpandLineBreaks(char *text)
{
    char *out = text;
    for (const char *in = text; *in; ++in) {
        if (in[0] == '\\' && in[1] == 'n') {
            *out++ = '\n';
            ++in;
        } else {
            *out++ = *in;
        }
    }
    *out = 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int argc = __argc;
    char **argv = __argv;
    char text[1024] = "Probe message";
    if (argc > 1) lstrcpynA(text, argv[1], sizeof text);
    ExpandLineBreaks(text);
    const char *caption = argc > 2 ? argv[2] : "Probe";
    UINT type = argc > 3 ? (UINT)strtoul(argv[3], nullptr, 0) : MB_OK;
    return MessageBoxA(nullptr, text, caption, type);
}
