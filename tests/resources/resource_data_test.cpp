// The generated resource data, read back with zlib: the stored streams, the
// offsets table, every fixed string text and both dialog templates.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "image/resource_data.h"
#include "image/resources.h"
#include "tests/resources/raw_deflate.h"

namespace {

// Decodes a stored stream and checks that it ends exactly at its stated length.
Bytes Expand(const uint8_t *stream, uint32_t size) {
    size_t consumed = 0;
    Bytes out = InflateRaw(stream, size, &consumed);
    EXPECT_EQ(consumed, size);
    return out;
}

const Bytes &Block() {
    static const Bytes block = Expand(compressedResourceBlock, compressedResourceBlockSize);
    return block;
}

const Bytes &PasswordTemplate() {
    static const Bytes bytes = Expand(compressedPasswordTemplate, compressedPasswordTemplateSize);
    return bytes;
}

TEST(ResourceData, StreamsExpandToTheirStatedSizesWithinTheBuffers) {
    EXPECT_EQ(Block().size(), expandedResourceBlockSize);
    EXPECT_EQ(PasswordTemplate().size(), expandedPasswordTemplateSize);
    EXPECT_LE(expandedResourceBlockSize, (uint32_t)kResourceContentLimit);
    EXPECT_LE(resourceOffsets[kMainDialogTemplate] + kMainTemplateCopySize, (uint32_t)kResourceBufferSize);
    EXPECT_EQ(expandedPasswordTemplateSize, 414u);
    EXPECT_EQ(expandedResourceBlockSize - resourceOffsets[kMainDialogTemplate], 642u + kTemplateTailSize);
}

TEST(ResourceData, StringsLieBackToBackFromOffsetZero) {
    EXPECT_EQ(resourceOffsets[0], 0u);
    for (int i = 0; i < kMainDialogTemplate; ++i) {
        const char *text = (const char *)Block().data() + resourceOffsets[i];
        EXPECT_EQ(resourceOffsets[i + 1], resourceOffsets[i] + strlen(text) + 1) << "string " << i;
    }
}

std::string StoredString(int index) {
    return (const char *)Block().data() + resourceOffsets[index];
}

TEST(ResourceData, FixedTextsAreExact) {
    static const struct {
        int index;
        const char *text;
    } cases[] = {
        {0, "This is an incomplete self-extractor;\nplease re-create the file and try again."},
        {1, "Please insert disk %d in drive %s."},
        {2, "Please insert last disk of set in drive %s."},
        {3, "No disk or invalid disk in drive.\nPlease insert disk number %d."},
        {4, "The disk in the drive appears to be\nmissing or has an incorrect label.\nInsert disk number %d."},
        {5, "No password specified"},
        {6, "Incorrect password specified"},
        {7, "NOAUTO"},
        {8, "Setup"},
        {9, "AUTO"},
        {10, "This 32-bit self-extracting Zip file requires Windows 95, 98 or NT"},
        {11, "Abort unzip operation?"},
        {12, "File %s is in use by the system.  Skipping ..."},
        {13, "Unzip Aborted"},
        {14, "Error %d running command %s"},
        {15, "Error changing to \"Unzip To\" folder"},
        {16, "File %s already exists.  Overwrite file?"},
        {17, "No folder specified."},
        {18, "\\TEMP"},
        {19, "This file is intended for use under Windows 95, 98, or a system with compatible long filename "
             "support.\nOn the version of Windows you are currently running, any long filenames will probably "
             "be truncated and improper operation may result.\n\nContinue anyway?"},
        {20, "TEMP="},
        {21, "%d file(s) unzipped successfully"},
        {22, "To unzip all files in %s to the specified folder press the Unzip button."},
        {23, "Tarvex"},
        {24, "extensions"},
        {25, "When &done unzipping open: "},
        {26, ""},
        {28, "Can't create output file: %s"},
        {29, "Unsupported compression method"},
        {30, "ZIP damaged: file %s: Bad CRC %08lx (should be %08lx).  Possible cause: file transfer error."},
        {31, "Invalid ZIP header.  Possible cause: file transfer error."},
        {32, "Could not create \"%s\" - unzip operation cancelled."},
        {33, "Error in folder name specfied on the command line."},
        {34, "Unzipping %s"},
        {35, "Error writing to %s.  Possible cause: disk full."},
        {36, "Error reading %s.  Possible cause: bad disk or file transfer error."},
        {37, "I/O error on file.  Possible cause: file transfer error."},
        {38, "To unzip all files in %s press the \"Unzip\" button. Files will be unzipped to the folder "
             "specified in the \"Unzip To Folder\" field. This folder will be created if it does not exist.\n\n"
             "You can also unzip this file with a standard zip utility like Tarvex or PKUNZIP."},
        {39, "Zip file is damaged, truncated, or has been changed since it was created.   If you downloaded "
             "this file, try downloading again."},
        {41, ""},
        {42, ""},
        {45, "Drive %s is not a valid drive, unzip operation cancelled."},
        {46, "Cannot use command file %s\nWindows does not have a program associated to run with it."},
        {47, "TMP="},
        {48, "Unzip to Folder:"},
        {49, "TEMP"},
        {50, "Zip contains filenames longer than are allowed by\nWindows. Tarvex Self-Extractor cannot process "
             "this\nZip file."},
        {51, "this self-extractor file"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(StoredString(c.index), c.text) << "string " << c.index;
}

TEST(ResourceData, FreelyWordedTextsKeepTheirFixedParts) {
    std::string notFound = StoredString(kStrArchiverNotFound);
    EXPECT_EQ(notFound.rfind("Tarvex not found on your system.\n\n", 0), 0u) << notFound;
    EXPECT_GT(notFound.size(), 40u);

    std::string aboutLong = StoredString(kStrAboutLong);
    EXPECT_EQ(aboutLong.rfind("This self-extracting Zip file was created by\n\nTarvex Self-Extractor\n", 0), 0u);
    std::string aboutShort = StoredString(kStrAboutShort);
    EXPECT_EQ(aboutShort.rfind("This self-extracting Zip file was created by\nTarvex Self-Extractor\n\n", 0), 0u);
    EXPECT_EQ(StoredString(kStrAboutShortCopy), aboutShort);

    for (const std::string &text : {notFound, aboutLong, aboutShort}) {
        EXPECT_EQ(text.find("http"), std::string::npos) << text;
        EXPECT_EQ(text.find("www."), std::string::npos) << text;
        EXPECT_EQ(text.find('%'), std::string::npos) << "no placeholders: " << text;
    }
}

// A DLGTEMPLATE read back field by field.
struct Item {
    uint32_t style, extendedStyle;
    int16_t x, y, cx, cy;
    uint16_t id;
    std::string className;   // "#128" style for atoms
    std::string caption;
    uint16_t creationData;
    size_t offset;           // from the template's start
};

struct Template {
    uint32_t style, extendedStyle;
    uint16_t count;
    int16_t x, y, cx, cy;
    uint16_t menu, windowClass;
    std::string caption;
    uint16_t fontPoints;
    std::string fontFace;
    std::vector<Item> items;
    size_t length;           // up to the end of the last item
};

struct Reader {
    const uint8_t *base;
    size_t at;
    uint16_t U16() {
        uint16_t v = (uint16_t)(base[at] | base[at + 1] << 8);
        at += 2;
        return v;
    }
    uint32_t U32() {
        uint32_t low = U16();
        return low | (uint32_t)U16() << 16;
    }
    // UTF-16 text up to its NUL; every code unit must be 7-bit here.
    std::string Text() {
        std::string out;
        for (uint16_t c; (c = U16()) != 0;) {
            EXPECT_LT(c, 0x80);
            out += (char)c;
        }
        return out;
    }
    std::string ClassOrText() {
        if (base[at] == 0xFF && base[at + 1] == 0xFF) {
            at += 2;
            return "#" + std::to_string(U16());
        }
        return Text();
    }
};

Template ParseTemplate(const uint8_t *bytes) {
    Template t{};
    Reader r{bytes, 0};
    t.style = r.U32();
    t.extendedStyle = r.U32();
    t.count = r.U16();
    t.x = (int16_t)r.U16();
    t.y = (int16_t)r.U16();
    t.cx = (int16_t)r.U16();
    t.cy = (int16_t)r.U16();
    t.menu = r.U16();
    t.windowClass = r.U16();
    t.caption = r.Text();
    t.fontPoints = r.U16();
    t.fontFace = r.Text();
    for (int i = 0; i < t.count; ++i) {
        r.at = (r.at + 3) & ~(size_t)3;
        Item item{};
        item.offset = r.at;
        item.style = r.U32();
        item.extendedStyle = r.U32();
        item.x = (int16_t)r.U16();
        item.y = (int16_t)r.U16();
        item.cx = (int16_t)r.U16();
        item.cy = (int16_t)r.U16();
        item.id = r.U16();
        item.className = r.ClassOrText();
        item.caption = r.ClassOrText();
        item.creationData = r.U16();
        t.items.push_back(item);
    }
    t.length = r.at;
    return t;
}

struct ExpectedControl {
    uint16_t id;
    const char *className;
    const char *caption;
    uint32_t style;
    int16_t x, y, cx, cy;
};

void ExpectDialog(const uint8_t *bytes, size_t available, uint16_t x, uint16_t y, uint16_t cx, uint16_t cy,
                  const char *caption, size_t length, const std::vector<ExpectedControl> &controls) {
    Template t = ParseTemplate(bytes);
    EXPECT_EQ(t.style, 0x90C800C4u);
    EXPECT_EQ(t.extendedStyle, 0u);
    EXPECT_EQ(t.menu, 0);
    EXPECT_EQ(t.windowClass, 0);
    EXPECT_EQ(t.caption, caption);
    EXPECT_EQ(t.fontPoints, 8);
    EXPECT_EQ(t.fontFace, "MS Sans Serif");
    EXPECT_EQ(t.x, x);
    EXPECT_EQ(t.y, y);
    EXPECT_EQ(t.cx, cx);
    EXPECT_EQ(t.cy, cy);
    EXPECT_EQ(t.length, length);
    ASSERT_EQ(t.length + kTemplateTailSize, available);
    for (size_t i = t.length; i < available; ++i)
        EXPECT_EQ(bytes[i], 0) << "tail byte " << i;
    ASSERT_EQ(t.count, controls.size());
    for (size_t i = 0; i < controls.size(); ++i) {
        const Item &item = t.items[i];
        const ExpectedControl &want = controls[i];
        SCOPED_TRACE("control " + std::to_string(want.id));
        EXPECT_EQ(item.offset % 4, 0u);
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(item.className, want.className);
        EXPECT_EQ(item.caption, want.caption);
        EXPECT_EQ(item.style, want.style);
        EXPECT_EQ(item.extendedStyle, 0u);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        EXPECT_EQ(item.creationData, 0);
    }
}

const char kButton[] = "#128";
const char kEdit[] = "#129";
const char kStatic[] = "#130";

TEST(ResourceData, MainDialogTemplateHoldsTheControlsInTabOrder) {
    uint32_t offset = resourceOffsets[kMainDialogTemplate];
    ExpectDialog(Block().data() + offset, Block().size() - offset, 94, 23, 230, 114, "", 642,
                 {
                     {101, kStatic, "", 0x50020080, 6, 6, 162, 24},
                     {105, kStatic, "Unzip to &folder: ", 0x50020000, 6, 32, 74, 8},
                     {106, kEdit, "", 0x50810080, 6, 40, 108, 12},
                     {115, kButton, "&Browse...", 0x50010000, 118, 39, 50, 14},
                     {102, kButton, "&Overwrite files without prompting", 0x50010003, 6, 56, 161, 10},
                     {111, kButton, "", 0x50010003, 6, 70, 166, 10},
                     {1, kButton, "&Unzip", 0x50010001, 174, 6, 50, 14},
                     {113, kButton, "Run &Tarvex", 0x50010000, 174, 24, 50, 14},
                     {2, kButton, "&Close", 0x50010000, 174, 42, 50, 14},
                     {112, kButton, "&About", 0x50010000, 174, 60, 50, 14},
                     {104, kButton, "&Help", 0x50010000, 174, 78, 50, 14},
                     {103, kStatic, "", 0x50020080, 17, 82, 153, 8},
                     {109, kStatic, "", 0x50020081, 0, 101, 230, 8},
                     {201, "meter", "", 0x50800000, 6, 98, 218, 12},
                 });
}

TEST(ResourceData, PasswordDialogTemplateHoldsItsFourControls) {
    ExpectDialog(PasswordTemplate().data(), PasswordTemplate().size(), 71, 71, 186, 76,
                 "Tarvex Self-Extractor - Password", 406,
                 {
                     {401, kStatic,
                      "This self-extracting Zip file is password protected.\n\nPlease type the &password:",
                      0x50020000, 6, 6, 174, 24},
                     {402, kEdit, "", 0x508100A0, 6, 38, 174, 12},
                     {1, kButton, "OK", 0x50010001, 35, 56, 50, 14},
                     {2, kButton, "Cancel", 0x50010000, 101, 56, 50, 14},
                 });
}

}  // namespace
