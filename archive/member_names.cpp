#include "archive/member_names.h"

#include "app/error_exit.h"
#include "archive/entry_output.h"
#include "context/extraction_context.h"

const char kUnsafeNameText[] = "Unsafe file name in archive: %s";
const char kPathTooLongText[] = "Path too long in the destination folder for file: %s";

static char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? (char)(c - 32) : c;
}

// Compares the first `length` characters of text with an upper-case word.
static int SameWord(const char *text, int length, const char *word) {
    int i = 0;
    for (; i < length; i++)
        if (!word[i] || UpperAscii(text[i]) != word[i])
            return 0;
    return word[i] == 0;
}

// The digit of COMn/LPTn: 0-9, and the superscripts 1, 2, 3 of the ANSI
// code page, which Windows also maps onto the ports.
static int IsPortDigit(char c) {
    unsigned char u = (unsigned char)c;
    return (u >= '0' && u <= '9') || u == 0xB9 || u == 0xB2 || u == 0xB3;
}

// Windows opens a device when the part of a component before its first '.',
// with trailing blanks removed, is a device name: "nul", "NUL.txt" and
// "nul .txt" all are the null device.
static int IsDeviceName(const char *component, int length) {
    int base = 0;
    while (base < length && component[base] != '.')
        base++;
    while (base > 0 && component[base - 1] == ' ')
        base--;
    static const char *const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char *device : devices)
        if (SameWord(component, base, device))
            return 1;
    return base == 4 && (SameWord(component, 3, "COM") || SameWord(component, 3, "LPT")) &&
           IsPortDigit(component[3]);
}

// "..", "." and such as ". ." resolve to a parent, the folder itself or
// nothing once Windows drops trailing dots and blanks.
static int IsOnlyDots(const char *component, int length) {
    for (int i = 0; i < length; i++)
        if (component[i] != '.' && component[i] != ' ')
            return 0;
    return length > 0;
}

int MemberNameIsSafe(const char *name) {
    const char *component = name;
    for (const char *p = name;; p++) {
        unsigned char c = (unsigned char)*p;
        if (c == 0 || IsSeparator((char)c)) {
            int length = (int)(p - component);
            if (IsOnlyDots(component, length) || IsDeviceName(component, length))
                return 0;
            if (c == 0)
                return 1;
            component = p + 1;
        } else if (c < 32 || c == ':') {
            return 0;
        }
    }
}

void RefuseMember(const char *text) {
    ShowErrorAbout(text, ctx.messagePath);
}
