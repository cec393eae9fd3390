// Build-time generator of the stub's resource data. Reads the StringTable and
// the two dialog descriptions from this folder, lays out the expanded
// ResourceBlock (strings back to back, then the main dialog template) and
// the password dialog template, compresses both as raw Deflate streams and
// writes them, with the offsets table and the sizes, as a C++ source.
//
//   make_resources strings.txt main_dialog.txt password_dialog.txt out.cpp ZOPFLI
//
// ZOPFLI is the zopfli compressor, whose exhaustive search finds streams a
// few percent shorter than zlib's level 9; each stream is the shorter of the
// two.
//
// Host tool: runs during both the host and the cross build.
#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "image/resource_data.h"

namespace {

typedef std::vector<uint8_t> Bytes;

// DLGTEMPLATE encoding details.
enum TemplateFormat : uint16_t {
    kOrdinalMarker = 0xFFFF,   // a class given by atom follows
    kAtomButton = 0x0080,
    kAtomEdit = 0x0081,
    kAtomStatic = 0x0082,
    kItemAlignment = 4,        // items start on 4-byte boundaries from the template's start
};

struct Control {
    uint16_t id;
    std::string name;   // the id's name in code, or empty
    std::string className;
    uint32_t style;
    int16_t x, y, cx, cy;
    std::string caption;
};

struct Dialog {
    uint32_t style = 0, extendedStyle = 0;
    int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    uint16_t fontPoints = 0;
    std::string fontFace;
    bool hasHeader = false, hasCaption = false, hasFont = false;
    std::vector<Control> controls;
};

// A source line split into words; quoted words are unescaped.
struct Line {
    std::string file;
    int number;
    std::vector<std::string> words;
    std::vector<bool> quoted;
};

[[noreturn]] void Fail(const Line &line, const std::string &message) {
    fprintf(stderr, "%s:%d: %s\n", line.file.c_str(), line.number, message.c_str());
    exit(1);
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads one quoted word starting after the opening quote at text[i].
std::string ReadQuoted(const Line &line, const std::string &text, size_t &i) {
    std::string out;
    for (++i; i < text.size() && text[i] != '"'; ++i) {
        unsigned char c = (unsigned char)text[i];
        if (c >= 0x80)
            Fail(line, "write bytes above 0x7F as \\xNN escapes");
        if (c != '\\') {
            out += (char)c;
            continue;
        }
        if (++i == text.size())
            break;
        switch (text[i]) {
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case 'x': {
            int high = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
            int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
            if (low < 0 || (high == 0 && low == 0))
                Fail(line, "\\x needs two hex digits and no NUL");
            out += (char)(high * 16 + low);
            i += 2;
            break;
        }
        default: Fail(line, std::string("unknown escape \\") + text[i]);
        }
    }
    if (i >= text.size())
        Fail(line, "unterminated quote");
    ++i;
    return out;
}

std::vector<Line> ReadLines(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        fprintf(stderr, "%s: cannot open\n", path.c_str());
        exit(1);
    }
    std::vector<Line> lines;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        Line line{path, number, {}, {}};
        size_t i = 0;
        while (i < text.size()) {
            char c = text[i];
            if (c == ' ' || c == '\t') {
                ++i;
            } else if (c == '#' && line.words.empty()) {
                break;
            } else if (c == '"') {
                line.words.push_back(ReadQuoted(line, text, i));
                line.quoted.push_back(true);
            } else {
                size_t end = text.find_first_of(" \t\"", i);
                if (end == std::string::npos)
                    end = text.size();
                line.words.push_back(text.substr(i, end - i));
                line.quoted.push_back(false);
                i = end;
            }
        }
        if (!line.words.empty())
            lines.push_back(line);
    }
    return lines;
}

long Number(const Line &line, size_t word, long low, long high) {
    const std::string &text = line.words[word];
    char *end = nullptr;
    long value = strtol(text.c_str(), &end, 0);
    if (line.quoted[word] || text.empty() || *end || value < low || value > high)
        Fail(line, "bad number '" + text + "'");
    return value;
}

uint32_t Style(const Line &line, size_t word) {
    return (uint32_t)Number(line, word, 0, 0xFFFFFFFFL);
}

const std::string &Text(const Line &line, size_t word) {
    if (!line.quoted[word])
        Fail(line, "expected a quoted text");
    return line.words[word];
}

void ExpectWords(const Line &line, size_t count) {
    if (line.words.size() != count)
        Fail(line, "expected " + std::to_string(count) + " words");
}

// A name for code: a letter, then letters, digits and underscores.
bool IsName(const std::string &word) {
    if (word.empty() || !isalpha((unsigned char)word[0]))
        return false;
    for (char c : word)
        if (!isalnum((unsigned char)c) && c != '_')
            return false;
    return true;
}

const std::string &Name(const Line &line, size_t word) {
    if (!IsName(line.words[word]))
        Fail(line, "expected a name, got '" + line.words[word] + "'");
    return line.words[word];
}

// The index and the name of each named string, in file order.
struct NamedIndex {
    std::string name;
    long index;
};

std::vector<std::string> ParseStrings(const std::string &path, std::vector<NamedIndex> &names) {
    std::vector<std::string> strings(kResourceStringCount);
    std::vector<bool> seen(kResourceStringCount);
    for (const Line &line : ReadLines(path)) {
        if (line.words.size() != 3)
            ExpectWords(line, 2);
        long index = Number(line, 0, 0, kResourceStringCount - 1);
        if (seen[index])
            Fail(line, "string " + std::to_string(index) + " given twice");
        seen[index] = true;
        if (line.words.size() == 3)
            names.push_back({Name(line, 1), index});
        strings[index] = Text(line, line.words.size() - 1);
    }
    return strings;
}

Dialog ParseDialog(const std::string &path) {
    Dialog dialog;
    for (const Line &line : ReadLines(path)) {
        const std::string &keyword = line.words[0];
        if (keyword == "dialog") {
            ExpectWords(line, 7);
            dialog.style = Style(line, 1);
            dialog.extendedStyle = Style(line, 2);
            dialog.x = (int16_t)Number(line, 3, -32768, 32767);
            dialog.y = (int16_t)Number(line, 4, -32768, 32767);
            dialog.cx = (int16_t)Number(line, 5, 0, 32767);
            dialog.cy = (int16_t)Number(line, 6, 0, 32767);
            dialog.hasHeader = true;
        } else if (keyword == "caption") {
            ExpectWords(line, 2);
            dialog.caption = Text(line, 1);
            dialog.hasCaption = true;
        } else if (keyword == "font") {
            ExpectWords(line, 3);
            dialog.fontPoints = (uint16_t)Number(line, 1, 1, 72);
            dialog.fontFace = Text(line, 2);
            dialog.hasFont = true;
        } else if (keyword == "control") {
            // An optional name behind the id.
            if (line.words.size() != 10)
                ExpectWords(line, 9);
            size_t at = line.words.size() - 9;
            Control control;
            control.id = (uint16_t)Number(line, 1, 0, 0xFFFF);
            if (at)
                control.name = Name(line, 2);
            control.className = line.words[2 + at];
            control.style = Style(line, 3 + at);
            control.x = (int16_t)Number(line, 4 + at, -32768, 32767);
            control.y = (int16_t)Number(line, 5 + at, -32768, 32767);
            control.cx = (int16_t)Number(line, 6 + at, 0, 32767);
            control.cy = (int16_t)Number(line, 7 + at, 0, 32767);
            control.caption = Text(line, 8 + at);
            dialog.controls.push_back(control);
        } else {
            Fail(line, "unknown keyword '" + keyword + "'");
        }
    }
    if (!dialog.hasHeader || !dialog.hasCaption || !dialog.hasFont || dialog.controls.empty()) {
        fprintf(stderr, "%s: needs dialog, caption, font and at least one control\n", path.c_str());
        exit(1);
    }
    return dialog;
}

void Put16(Bytes &out, uint16_t value) {
    out.push_back((uint8_t)value);
    out.push_back((uint8_t)(value >> 8));
}

void Put32(Bytes &out, uint32_t value) {
    Put16(out, (uint16_t)value);
    Put16(out, (uint16_t)(value >> 16));
}

// NUL-terminated UTF-16; the texts are 7-bit, so each byte is one code unit.
void PutText(Bytes &out, const std::string &text) {
    for (unsigned char c : text) {
        if (c >= 0x80) {
            fprintf(stderr, "dialog texts must be 7-bit: '%s'\n", text.c_str());
            exit(1);
        }
        Put16(out, c);
    }
    Put16(out, 0);
}

uint16_t ClassAtom(const std::string &name) {
    if (name == "button")
        return kAtomButton;
    if (name == "edit")
        return kAtomEdit;
    if (name == "static")
        return kAtomStatic;
    return 0;
}

// A standard DLGTEMPLATE with DS_SETFONT, items without creation data,
// followed by kTemplateTailSize zero bytes.
Bytes BuildTemplate(const Dialog &dialog) {
    Bytes out;
    Put32(out, dialog.style);
    Put32(out, dialog.extendedStyle);
    Put16(out, (uint16_t)dialog.controls.size());
    Put16(out, (uint16_t)dialog.x);
    Put16(out, (uint16_t)dialog.y);
    Put16(out, (uint16_t)dialog.cx);
    Put16(out, (uint16_t)dialog.cy);
    Put16(out, 0);   // no menu
    Put16(out, 0);   // the default dialog class
    PutText(out, dialog.caption);
    Put16(out, dialog.fontPoints);
    PutText(out, dialog.fontFace);
    for (const Control &control : dialog.controls) {
        while (out.size() % kItemAlignment)
            out.push_back(0);
        Put32(out, control.style);
        Put32(out, 0);   // extended style
        Put16(out, (uint16_t)control.x);
        Put16(out, (uint16_t)control.y);
        Put16(out, (uint16_t)control.cx);
        Put16(out, (uint16_t)control.cy);
        Put16(out, control.id);
        uint16_t atom = ClassAtom(control.className);
        if (atom) {
            Put16(out, kOrdinalMarker);
            Put16(out, atom);
        } else {
            PutText(out, control.className);
        }
        PutText(out, control.caption);
        Put16(out, 0);   // no creation data
    }
    out.insert(out.end(), kTemplateTailSize, 0);
    return out;
}

Bytes DeflateWith(const Bytes &data, int memoryLevel, int strategy) {
    z_stream stream{};
    if (deflateInit2(&stream, 9, Z_DEFLATED, -15, memoryLevel, strategy) != Z_OK)
        exit(1);
    Bytes out(deflateBound(&stream, data.size()));
    stream.next_in = const_cast<Bytes::value_type *>(data.data());
    stream.avail_in = (uInt)data.size();
    stream.next_out = out.data();
    stream.avail_out = (uInt)out.size();
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        exit(1);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

// Decodes a raw stream and answers whether it gives data exactly and ends
// exactly at its last byte.
bool RoundTrips(const Bytes &compressed, const Bytes &data) {
    z_stream stream{};
    if (inflateInit2(&stream, -15) != Z_OK)
        return false;
    Bytes out(data.size() + 1);
    stream.next_in = const_cast<Bytes::value_type *>(compressed.data());
    stream.avail_in = (uInt)compressed.size();
    stream.next_out = out.data();
    stream.avail_out = (uInt)out.size();
    int result = inflate(&stream, Z_FINISH);
    bool exact = result == Z_STREAM_END && stream.avail_in == 0 && stream.total_out == data.size();
    inflateEnd(&stream);
    out.resize(data.size());
    return exact && out == data;
}

// zopfli's raw Deflate stream of data (--deflate), through a temporary file.
Bytes DeflateWithZopfli(const Bytes &data, const char *zopfli) {
    char path[] = "/tmp/make_resources.XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || write(fd, data.data(), data.size()) != (ssize_t)data.size()) {
        fprintf(stderr, "make_resources: cannot write a temporary file\n");
        exit(1);
    }
    close(fd);
    std::string command = std::string("'") + zopfli + "' --deflate --i1000 -c " + path;
    FILE *pipe = popen(command.c_str(), "r");
    Bytes out;
    int c;
    while (pipe && (c = fgetc(pipe)) != EOF)
        out.push_back((uint8_t)c);
    int status = pipe ? pclose(pipe) : -1;
    unlink(path);
    if (status != 0) {
        fprintf(stderr, "make_resources: %s failed\n", command.c_str());
        exit(1);
    }
    return out;
}

// The smallest raw Deflate stream of zlib at level 9 and of zopfli, checked
// by decoding it again.
Bytes Compress(const Bytes &data, const char *zopfli) {
    Bytes best = DeflateWithZopfli(data, zopfli);
    for (int memoryLevel : {8, 9}) {
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FILTERED}) {
            Bytes candidate = DeflateWith(data, memoryLevel, strategy);
            if (candidate.size() < best.size())
                best = candidate;
        }
    }
    if (!RoundTrips(best, data)) {
        fprintf(stderr, "make_resources: the compressed stream does not decode back\n");
        exit(1);
    }
    return best;
}

void Require(bool condition, const char *message, size_t value) {
    if (!condition) {
        fprintf(stderr, "make_resources: %s (%zu)\n", message, value);
        exit(1);
    }
}

void WriteArray(std::ostream &out, const char *name, const Bytes &bytes) {
    out << "alignas(8) const uint8_t " << name << "[" << bytes.size() << "] = {";
    char hex[8];
    for (size_t i = 0; i < bytes.size(); ++i) {
        snprintf(hex, sizeof hex, "0x%02x,", bytes[i]);
        out << (i % 16 ? " " : "\n    ") << hex;
    }
    out << "\n};\n";
}

}  // namespace

// The ids header: the names the sources give string indices and control
// ids, so that code and templates cannot drift apart.
std::string IdsHeader(const std::vector<NamedIndex> &strings, const Dialog &main, const Dialog &password) {
    std::ostringstream out;
    out << "// Generated by image/resources/make_resources from image/resources/*.txt; do not edit.\n"
        << "#pragma once\n\n"
        << "// StringTable indices (strings.txt); the main dialog template follows the strings.\n"
        << "enum StringIndex {\n";
    for (const NamedIndex &named : strings)
        out << "    " << named.name << " = " << named.index << ",\n";
    out << "    kMainDialogTemplate = " << kResourceStringCount << ",\n};\n";
    const struct {
        const char *enumName, *source;
        const Dialog &dialog;
    } dialogs[] = {{"MainDialogControls", "main_dialog.txt", main},
                   {"PasswordDialogControls", "password_dialog.txt", password}};
    for (const auto &d : dialogs) {
        out << "\n// Control ids (" << d.source << ").\nenum " << d.enumName << " {\n";
        for (const Control &control : d.dialog.controls)
            if (!control.name.empty())
                out << "    " << control.name << " = " << control.id << ",\n";
        out << "};\n";
    }
    return out.str();
}

bool WriteFile(const char *path, const std::string &text) {
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (file.flush())
        return true;
    fprintf(stderr, "%s: cannot write\n", path);
    return false;
}

int main(int argc, char **argv) {
    if (argc != 7) {
        fprintf(stderr,
                "usage: make_resources strings.txt main_dialog.txt password_dialog.txt out.cpp ids.h ZOPFLI\n");
        return 2;
    }
    std::vector<NamedIndex> stringNames;
    std::vector<std::string> strings = ParseStrings(argv[1], stringNames);
    Dialog mainDialog = ParseDialog(argv[2]), passwordDialog = ParseDialog(argv[3]);
    Bytes mainTemplate = BuildTemplate(mainDialog);
    Bytes passwordTemplate = BuildTemplate(passwordDialog);

    Bytes block;
    std::vector<uint32_t> offsets;
    for (const std::string &text : strings) {
        offsets.push_back((uint32_t)block.size());
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(0);
    }
    offsets.push_back((uint32_t)block.size());
    block.insert(block.end(), mainTemplate.begin(), mainTemplate.end());

    // Start-up copies a fixed window from the template's offset, and the
    // expansion must stay clear of the sentinel.
    Require(offsets[kResourceStringCount] + kMainTemplateCopySize <= kResourceBufferSize,
            "string area too long for the main template copy", offsets[kResourceStringCount]);
    Require(mainTemplate.size() <= kMainTemplateCopySize, "main template longer than its copy",
            mainTemplate.size());
    Require(block.size() <= kResourceContentLimit, "ResourceBlock reaches the sentinel", block.size());
    Require(passwordTemplate.size() <= kPasswordBufferSize, "password template too long",
            passwordTemplate.size());

    Bytes packedBlock = Compress(block, argv[6]);
    Bytes packedPassword = Compress(passwordTemplate, argv[6]);

    std::ostringstream out;
    out << "// Generated by image/resources/make_resources from image/resources/*.txt; do not edit.\n"
        << "#include \"image/resource_data.h\"\n\n"
        << "const uint32_t resourceOffsets[kResourceOffsetCount] = {";
    for (size_t i = 0; i < offsets.size(); ++i)
        out << (i % 8 ? " " : "\n    ") << offsets[i] << ",";
    out << "\n};\n\n";
    WriteArray(out, "compressedResourceBlock", packedBlock);
    out << "const uint32_t compressedResourceBlockSize = " << packedBlock.size() << ";\n"
        << "const uint32_t expandedResourceBlockSize = " << block.size() << ";\n\n";
    WriteArray(out, "compressedPasswordTemplate", packedPassword);
    out << "const uint32_t compressedPasswordTemplateSize = " << packedPassword.size() << ";\n"
        << "const uint32_t expandedPasswordTemplateSize = " << passwordTemplate.size() << ";\n";

    if (!WriteFile(argv[4], out.str()) || !WriteFile(argv[5], IdsHeader(stringNames, mainDialog, passwordDialog)))
        return 1;
    printf("resources: string area %u, block %zu -> %zu, password template %zu -> %zu bytes\n",
           offsets[kResourceStringCount], block.size(), packedBlock.size(), passwordTemplate.size(),
           packedPassword.size());
    return 0;
}
