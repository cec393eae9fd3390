#include "builder/members/name_text.h"

#include <stdio.h>

#include "archive/name_decoding.h"
#include "archive/zip_format.h"
#include "base/crc32.h"

namespace {

// The length of the well-formed UTF-8 sequence at `at`, or 0.
size_t SequenceLength(const std::string &s, size_t at, uint32_t &code) {
    const unsigned char *p = (const unsigned char *)s.data() + at;
    size_t left = s.size() - at;
    unsigned char lead = p[0];
    size_t length;
    uint32_t minimum;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (size_t i = 1; i < length; i++) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

void AppendEscape(std::string &out, unsigned char byte) {
    char escape[8];
    snprintf(escape, sizeof escape, "\\x%02X", byte);
    out += escape;
}

}  // namespace

bool IsAscii(const std::string &text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

bool IsValidUtf8(const std::string &bytes) {
    uint32_t code;
    for (size_t at = 0; at < bytes.size();) {
        size_t length = SequenceLength(bytes, at, code);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

std::string EscapedText(const std::string &bytes, bool utf8) {
    std::string out;
    for (size_t at = 0; at < bytes.size();) {
        unsigned char c = (unsigned char)bytes[at];
        uint32_t code = 0;
        size_t length = utf8 && c >= 0x80 ? SequenceLength(bytes, at, code) : 0;
        if (length > 1 && code >= 0xA0) {
            out.append(bytes, at, length);
            at += length;
            continue;
        }
        if (c == '\\')
            out += "\\\\";
        else if (c >= 0x20 && c < 0x7F)
            out += (char)c;
        else
            AppendEscape(out, c);
        at++;
    }
    return out;
}

std::string StubNameText(const std::string &name, uint16_t flags, const std::vector<uint8_t> &extra, bool &utf8) {
    int length = (int)name.size(), unicode = 0;
    const char *text = ChooseNameText(flags, name.data(), &length, extra.data(), (uint32_t)extra.size(),
                                      Crc32Of((const uint8_t *)name.data(), name.size()), &unicode);
    utf8 = unicode != 0;
    return std::string(text, (size_t)length);
}

std::string DisplayName(const std::string &name, uint16_t flags, const std::vector<uint8_t> &extra) {
    bool utf8;
    std::string text = StubNameText(name, flags, extra, utf8);
    return EscapedText(text, utf8);
}
