#include "archive/member_names.h"

#include "base/error_exit.h"
#include "base/path_utils.h"
#include "context/extraction_context.h"

const char kUnsafeNameText[] = "Unsafe file name in archive: %s";
const char kPathTooLongText[] = "Path too long in the destination folder for file: %s";

static WCHAR UpperAscii(WCHAR c) {
    return c >= 'a' && c <= 'z' ? (WCHAR)(c - 32) : c;
}

// Compares the first `length` characters of text with an upper-case word.
static int SameWord(const WCHAR *text, int length, const char *word) {
    int i = 0;
    for (; i < length; i++)
        if (!word[i] || UpperAscii(text[i]) != word[i])
            return 0;
    return word[i] == 0;
}

// The digit of COMn/LPTn: 0-9, and the superscripts 1, 2, 3 (U+00B9,
// U+00B2, U+00B3), which Windows also maps onto the ports.
static int IsPortDigit(WCHAR c) {
    return (c >= '0' && c <= '9') || c == 0xB9 || c == 0xB2 || c == 0xB3;
}

// Windows opens a device when the part of a component before its first '.',
// with trailing blanks removed, is a device name: "nul", "NUL.txt" and
// "nul .txt" all are the null device; COM and LPT with one digit are ports.
// The names are one run of texts rather than a table of pointers, which
// would take a base relocation each.
static int IsDeviceName(const WCHAR *component, int length) {
    static const char kDevices[] = "CON\0PRN\0AUX\0NUL\0CONIN$\0CONOUT$\0COM\0LPT\0";
    enum { kPlainDevices = 6 };
    int base = 0;
    while (base < length && component[base] != '.')
        base++;
    while (base > 0 && component[base - 1] == ' ')
        base--;
    int i = 0;
    for (const char *device = kDevices; *device; device += lstrlenA(device) + 1, i++) {
        if (i < kPlainDevices ? SameWord(component, base, device)
                              : base == 4 && SameWord(component, 3, device) && IsPortDigit(component[3]))
            return 1;
    }
    return 0;
}

int MemberNameRule(const WCHAR *name, int length) {
    if (length <= 0)
        return kNameEmpty;
    const WCHAR *component = name;
    const WCHAR *end = name + length;
    for (const WCHAR *p = name;; p++) {
        if (p == end || IsSeparator(*p)) {
            int size = (int)(p - component);
            // Windows drops a part's trailing blanks and dots, except behind
            // \\?\, where they stay and make a file no Windows tool can
            // delete. All-dots parts (".", "..", ". .") end so too.
            if (size > 0 && (p[-1] == ' ' || p[-1] == '.'))
                return kNameTrailingDotOrBlank;
            if (IsDeviceName(component, size))
                return kNameDevice;
            if (p == end)
                return kNameSafe;
            component = p + 1;
        } else if (*p < 32 || *p == ':') {
            // A NUL counts here too: the folder test looks at the name's last
            // character, the paths at the text before the NUL, and the two
            // would disagree.
            return kNameControlOrColon;
        }
    }
}

void RefuseMember(const char *text) {
    ShowErrorAbout(text, ctx.messagePath);
}
