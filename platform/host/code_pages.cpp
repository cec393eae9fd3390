// Text conversions of the simulated layer: UTF-8 as strict as Windows' own
// decoder, the ANSI code page (Windows-1252; any other code page is taken as
// Latin-1), and UTF-16 for the wide calls. Windows paths are kept as UTF-8
// inside the layer and on the host file system, so a file made through a
// single-byte call and one made through a wide call with the same name are
// the same file, as on Windows.
#include <cstring>

#include "platform/host/sim_internal.h"

using namespace hostsim;

namespace {

// Windows-1252 at 0x80-0x9F; the five bytes it leaves undefined map onto
// the C1 controls of the same value, as Windows maps them.
const char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t AnsiCharacter(unsigned char byte) {
    if (Sim().codePage == 1252 && byte >= 0x80 && byte < 0xA0)
        return kWindows1252High[byte - 0x80];
    return byte;
}

// The ANSI byte of a character, or -1 when the code page lacks it.
int AnsiByte(char16_t c) {
    if (c < 0x80)
        return c;
    if (Sim().codePage == 1252) {
        for (int i = 0; i < 32; i++)
            if (kWindows1252High[i] == c)
                return 0x80 + i;
        if (c >= 0x80 && c < 0xA0)
            return -1;
    }
    return c < 0x100 ? c : -1;
}

// A few entries of Windows' best-fit table for 1252: look-alikes of ASCII
// characters that a conversion without WC_NO_BEST_FIT_CHARS turns into them.
int BestFit(char16_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E)   // the full-width forms of '!' to '~'
        return c - 0xFF01 + 0x21;
    switch (c) {
    case 0x2215:   // division slash
    case 0x2044:   // fraction slash
        return '/';
    case 0x2024:   // one dot leader
        return '.';
    default:
        return -1;
    }
}

// One well-formed UTF-8 sequence at text[at], as Windows accepts them: no
// overlong forms, no surrogates, nothing above U+10FFFF. Answers its length
// (0 when the bytes there are not one).
size_t DecodeUtf8(const unsigned char *text, size_t length, size_t at, uint32_t &code) {
    unsigned char lead = text[at];
    if (lead < 0x80) {
        code = lead;
        return 1;
    }
    size_t size;
    uint32_t lowest;
    if (lead >= 0xC2 && lead <= 0xDF)
        size = 2, lowest = 0x80, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF)
        size = 3, lowest = 0x800, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4)
        size = 4, lowest = 0x10000, code = lead & 0x07;
    else
        return 0;
    if (at + size > length)
        return 0;
    for (size_t i = 1; i < size; i++) {
        if ((text[at + i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (text[at + i] & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return size;
}

void AppendUtf16(std::u16string &out, uint32_t code) {
    if (code < 0x10000) {
        out += (char16_t)code;
    } else {
        code -= 0x10000;
        out += (char16_t)(0xD800 + (code >> 10));
        out += (char16_t)(0xDC00 + (code & 0x3FF));
    }
}

void AppendUtf8(std::string &out, uint32_t code) {
    if (code < 0x80) {
        out += (char)code;
    } else if (code < 0x800) {
        out += (char)(0xC0 | (code >> 6));
        out += (char)(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += (char)(0xE0 | (code >> 12));
        out += (char)(0x80 | ((code >> 6) & 0x3F));
        out += (char)(0x80 | (code & 0x3F));
    } else {
        out += (char)(0xF0 | (code >> 18));
        out += (char)(0x80 | ((code >> 12) & 0x3F));
        out += (char)(0x80 | ((code >> 6) & 0x3F));
        out += (char)(0x80 | (code & 0x3F));
    }
}

// Windows' answer for a conversion into a buffer of `size` units: the count
// (with the NUL when the input had one), the count needed when size is 0,
// or 0 with as much written as fits.
template <typename Unit, typename Text>
int CopyConverted(const Text &converted, Unit *out, int size) {
    int count = (int)converted.size();
    if (size == 0)
        return count;
    for (int i = 0; i < count && i < size; i++)
        out[i] = (Unit)converted[i];
    return count <= size ? count : 0;
}

}  // namespace

namespace hostsim {

std::string AnsiToUtf8(const std::string &ansi) {
    std::string out;
    for (unsigned char c : ansi)
        AppendUtf8(out, AnsiCharacter(c));
    return out;
}

std::string Utf16ToUtf8(const char16_t *text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; i++) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        AppendUtf8(out, code);   // a lone surrogate keeps its value, as Windows file names may
    }
    return out;
}

std::u16string Utf8ToUtf16(const std::string &text) {
    std::u16string out;
    const unsigned char *bytes = (const unsigned char *)text.data();
    for (size_t at = 0; at < text.size();) {
        uint32_t code;
        size_t size = DecodeUtf8(bytes, text.size(), at, code);
        AppendUtf16(out, size ? code : 0xFFFD);
        at += size ? size : 1;
    }
    return out;
}

std::string Utf8ToAnsi(const std::string &text) {
    std::u16string wide = Utf8ToUtf16(text);
    std::string out;
    for (char16_t c : wide) {
        int byte = AnsiByte(c);
        out += byte < 0 ? '?' : (char)byte;
    }
    return out;
}

size_t Utf16Length(const std::string &utf8) {
    return Utf8ToUtf16(utf8).size();
}

}  // namespace hostsim

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide, int wideSize) {
    if (length == 0 || (codePage != CP_UTF8 && codePage != CP_ACP))
        return 0;
    size_t count = length < 0 ? strlen(text) + 1 : (size_t)length;
    const unsigned char *bytes = (const unsigned char *)text;
    std::u16string converted;
    for (size_t at = 0; at < count;) {
        if (codePage == CP_ACP) {
            converted += AnsiCharacter(bytes[at++]);
            continue;
        }
        uint32_t code;
        size_t size = DecodeUtf8(bytes, count, at, code);
        if (size == 0 && (flags & MB_ERR_INVALID_CHARS))
            return 0;
        AppendUtf16(converted, size ? code : 0xFFFD);
        at += size ? size : 1;
    }
    return CopyConverted(converted, wide, wideSize);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int length, LPSTR text, int size,
                        LPCSTR defaultChar, BOOL *usedDefault) {
    if (length == 0 || (codePage != CP_UTF8 && codePage != CP_ACP))
        return 0;
    size_t count = 0;
    if (length < 0)
        while (wide[count++]) {
        }
    else
        count = (size_t)length;
    std::string converted;
    if (usedDefault)
        *usedDefault = FALSE;
    if (codePage == CP_UTF8) {
        converted = Utf16ToUtf8(wide, count);
    } else {
        for (size_t i = 0; i < count; i++) {
            int byte = AnsiByte(wide[i]);
            if (byte < 0 && !(flags & WC_NO_BEST_FIT_CHARS))
                byte = BestFit(wide[i]);
            if (byte < 0) {
                byte = defaultChar ? (unsigned char)*defaultChar : '?';
                if (usedDefault)
                    *usedDefault = TRUE;
            }
            converted += (char)byte;
        }
    }
    return CopyConverted(converted, text, size);
}

int lstrlenW(LPCWSTR text) {
    int length = 0;
    while (text && text[length])
        length++;
    return length;
}
