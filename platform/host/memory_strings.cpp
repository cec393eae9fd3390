// Memory blocks, string calls and wsprintfA (and wvsprintfW) on the host.
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/host/sim_internal.h"

using namespace hostsim;

HLOCAL LocalAlloc(UINT flags, size_t bytes) {
    (void)flags;
    if (Fails(kFaultLocalAlloc))
        return nullptr;
    return calloc(bytes ? bytes : 1, 1);
}

HLOCAL LocalFree(HLOCAL block) {
    free(block);
    return nullptr;
}

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
    (void)flags;
    if (Fails(kFaultGlobalAlloc))
        return nullptr;
    return calloc(bytes ? bytes : 1, 1);
}

LPVOID GlobalLock(HGLOBAL block) {
    return block;
}

BOOL GlobalUnlock(HGLOBAL block) {
    (void)block;
    return TRUE;
}

HGLOBAL GlobalHandle(LPCVOID address) {
    return (HGLOBAL)address;
}

HGLOBAL GlobalFree(HGLOBAL block) {
    free(block);
    return nullptr;
}

LPSTR lstrcpyA(LPSTR to, LPCSTR from) {
    return strcpy(to, from);
}

LPSTR lstrcatA(LPSTR to, LPCSTR from) {
    return strcat(to, from);
}

int lstrlenA(LPCSTR text) {
    return text ? (int)strlen(text) : 0;
}

int lstrcmpiA(LPCSTR a, LPCSTR b) {
    return strcasecmp(a, b);
}

// wsprintfA's subset: flags '-' and '0', a width, the 'l' and 'h' size
// prefixes, and s c d i u x X %. As on Windows, 'l' means 32 bits and the
// output stops at 1024 characters. wvsprintfW is the same over UTF-16, its
// %s taking a UTF-16 string.
// A string argument of the other kind than the format's, converted as
// Windows converts it: through the ANSI code page.
template <typename Char>
static std::basic_string<Char> ConvertedText(const void *argument);

template <>
std::string ConvertedText<char>(const void *argument) {
    const char16_t *text = (const char16_t *)argument;
    return Utf8ToAnsi(Utf16ToUtf8(text, std::char_traits<char16_t>::length(text)));
}

template <>
std::u16string ConvertedText<char16_t>(const void *argument) {
    return Utf8ToUtf16(AnsiToUtf8((const char *)argument));
}

template <typename Char>
static int FormatText(Char *buffer, const Char *format, va_list args) {
    enum { kLimit = 1024 };
    int n = 0;
    auto put = [&](Char c) {
        if (n < kLimit - 1)
            buffer[n++] = c;
    };
    for (const Char *p = format; *p; p++) {
        if (*p != '%') {
            put(*p);
            continue;
        }
        p++;
        bool left = false, zero = false;
        for (;; p++) {
            if (*p == '-')
                left = true;
            else if (*p == '0')
                zero = true;
            else
                break;
        }
        int width = 0;
        while (*p >= '0' && *p <= '9')
            width = width * 10 + (*p++ - '0');
        char size = 0;
        while (*p == 'l' || *p == 'h')
            size = (char)*p++;
        char digits[40];
        std::basic_string<Char> text;
        switch (*p) {
        case 's': {
            // %ls is always wide, %hs always ANSI, %s the format's own kind.
            const void *argument = va_arg(args, const void *);
            bool wide = size == 'l' || (size != 'h' && sizeof(Char) == 2);
            if (!argument)
                for (const char *c = "(null)"; *c; c++)
                    text += (Char)*c;
            else if (wide == (sizeof(Char) == 2))
                text = (const Char *)argument;
            else
                text = ConvertedText<Char>(argument);
            break;
        }
        case 'c':
            text += (Char)va_arg(args, int);
            break;
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X': {
            const char conversion[3] = {'%', (char)(*p == 'i' ? 'd' : *p), 0};
            int length = *p == 'd' || *p == 'i' ? snprintf(digits, sizeof digits, conversion, va_arg(args, int))
                                                : snprintf(digits, sizeof digits, conversion, va_arg(args, unsigned));
            for (int i = 0; i < length; i++)
                text += (Char)digits[i];
            break;
        }
        case 0:
            p--;
            continue;
        default:
            put(*p);
            continue;
        }
        int length = (int)text.size();
        int padding = width > length ? width - length : 0;
        if (!left)
            for (int i = 0; i < padding; i++)
                put(zero && *p != 's' ? '0' : ' ');
        for (int i = 0; i < length; i++)
            put(text[i]);
        if (left)
            for (int i = 0; i < padding; i++)
                put(' ');
    }
    buffer[n] = 0;
    return n;
}

int wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    va_list args;
    va_start(args, format);
    int n = FormatText(buffer, format, args);
    va_end(args);
    return n;
}

int wvsprintfW(LPWSTR buffer, LPCWSTR format, va_list args) {
    return FormatText(buffer, format, args);
}

BOOL OemToCharBuffA(LPCSTR from, LPSTR to, DWORD length) {
    Sim().oemConversions.push_back(length);
    if (from != to)
        memmove(to, from, length);
    return TRUE;
}

static bool IsLeadByte(unsigned char c) {
    switch (Sim().codePage) {
    case 932:
        return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case 936:
    case 949:
    case 950:
        return c >= 0x81 && c <= 0xFE;
    default:
        return false;
    }
}

LPSTR CharNextA(LPCSTR text) {
    if (!*text)
        return (LPSTR)text;
    if (IsLeadByte((unsigned char)text[0]) && text[1])
        return (LPSTR)text + 2;
    return (LPSTR)text + 1;
}
