// Images made from archives written by other tools and from folders: mksfx
// info accepts each, unzip tests each without a warning, extracts the same
// bytes as the source, and every local record carries its real CRC and sizes
// with a 16-byte signed descriptor where flag bit 3 is set.
#include <string.h>

#include "archive/zip_format.h"
#include "builder_fixture.h"
#include "image/byte_order.h"
#include "image/config_record.h"

using namespace buildertest;

namespace {

// Writes the current folder with Python's zipfile, folder entries included;
// to standard output when the argument is "-" (a pipe, so it cannot seek and
// writes data descriptors).
const char kPythonZip[] =
    "import os, sys, zipfile\n"
    "out = sys.stdout.buffer if sys.argv[1] == '-' else open(sys.argv[1], 'wb')\n"
    "z = zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED)\n"
    "for root, dirs, files in os.walk('.'):\n"
    "    dirs.sort()\n"
    "    for name in sorted(dirs) + sorted(files):\n"
    "        path = os.path.join(root, name)\n"
    "        z.write(path, os.path.relpath(path, '.'))\n"
    "z.close()\n";

struct Maker {
    const char *name;
    const char *tool;           // must be on PATH
    const char *command;        // run inside the source folder; %Z is the archive to write
    bool keepsFolders;          // the archive has folder entries, so the empty folder survives
    const char *password;       // "" when not encrypted
    bool writesDescriptors;     // the source archive has bit 3 and zeros in its local headers
    bool folderInput;           // mksfx reads the folder itself
};

const Maker kMakers[] = {
    {"zip_stored", "zip", "zip -qr -0 %Z .", true, "", false, false},
    {"zip_level6", "zip", "zip -qr -6 %Z .", true, "", false, false},
    {"zip_level9_no_folder_entries", "zip", "zip -qr -9 -D %Z .", false, "", false, false},
    {"zip_encrypted", "zip", "zip -qr -P secret %Z .", true, "secret", false, false},
    {"zip_to_pipe", "zip", "zip -qr - . | cat > %Z", true, "", true, false},
    {"sevenzip", "7z", "7z a -tzip -bd %Z . >/dev/null", true, "", false, false},
    {"python_zipfile", "python3", "python3 ../make_zip.py %Z", true, "", false, false},
    {"python_zipfile_to_pipe", "python3", "python3 ../make_zip.py - | cat > %Z", true, "", true, false},
    {"folder", "true", "", true, "", false, true},
    {"folder_encrypted", "true", "", true, "pw", false, true},
};

std::string Replace(std::string text, const std::string &from, const std::string &to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

bool HasZeroedDescriptorMember(const std::vector<uint8_t> &zip) {
    for (size_t at = 0; at + kLocalHeaderSize <= zip.size(); at++)
        if (ReadLe32(zip.data() + at) == kLocalSignature && (ReadLe16(zip.data() + at + kLocalFlags) & kFlagBitDescriptor) &&
            ReadLe32(zip.data() + at + kLocalCrc) == 0 && ReadLe32(zip.data() + at + kLocalCompressedSize) == 0)
            return true;
    return false;
}

// Walks the local records from ArchiveOffset: each header carries the same
// CRC and sizes as its central record, and a member with bit 3 is followed by
// a signed descriptor repeating them. Answers the number of descriptors.
int CheckLocalRecords(const ImageView &view) {
    const std::vector<uint8_t> &b = view.bytes;
    size_t at = view.Field(kArchiveOffsetOffset);
    uint32_t directory = ReadLe32(b.data() + view.Field(kEndRecordOffsetOffset) + kEndDirectoryOffset);
    size_t central = directory;
    int descriptors = 0;
    while (ReadLe32(b.data() + at) == kLocalSignature) {
        const uint8_t *l = b.data() + at;
        const uint8_t *c = b.data() + central;
        EXPECT_EQ(ReadLe32(c), (uint32_t)kCentralSignature);
        EXPECT_EQ(ReadLe32(c + kCentralLocalOffset), at);
        EXPECT_EQ(ReadLe32(l + kLocalCrc), ReadLe32(c + kCentralCrc));
        EXPECT_EQ(ReadLe32(l + kLocalCompressedSize), ReadLe32(c + kCentralCompressedSize));
        EXPECT_EQ(ReadLe32(l + kLocalUncompressedSize), ReadLe32(c + kCentralUncompressedSize));
        size_t end = at + kLocalHeaderSize + ReadLe16(l + kLocalNameLength) + ReadLe16(l + kLocalExtraLength) +
                     ReadLe32(l + kLocalCompressedSize);
        if (ReadLe16(l + kLocalFlags) & kFlagBitDescriptor) {
            EXPECT_EQ(ReadLe32(b.data() + end), (uint32_t)kDescriptorSignature);
            EXPECT_EQ(memcmp(b.data() + end + 4, l + kLocalCrc, 12), 0);
            end += kDescriptorSize;
            descriptors++;
        }
        at = end;
        central += kCentralHeaderSize + ReadLe16(c + kCentralNameLength) + ReadLe16(c + kCentralExtraLength) +
                   ReadLe16(c + kCentralCommentLength);
    }
    EXPECT_EQ(at, directory) << "the central directory follows the last local record";
    return descriptors;
}

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Maker &c, std::ostream *out) {
    *out << c.name;
}

class ToolArchive : public testing::TestWithParam<Maker> {};

TEST_P(ToolArchive, MakesAnImageThatChecksAndExtractsUnchanged) {
    const Maker &maker = GetParam();
    REQUIRE_STUB();
    REQUIRE_TOOL("unzip");
    if (Shell(std::string("command -v ") + maker.tool).status != 0)
        SKIP_UNLESS_CI(maker.tool << " is not installed");
    TempFolder temp;
    std::string source = SourceTreeIn(temp);
    WriteText(temp / "make_zip.py", kPythonZip);
    std::string input = source, image = temp / "out.exe", password = maker.password;
    std::string options = "--stub " + Quote(TestStub());
    if (maker.folderInput) {
        if (!password.empty())
            options += " --password " + password;
    } else {
        input = temp / "in.zip";
        CommandResult made = Shell("cd " + Quote(source) + " && " + Replace(maker.command, "%Z", Quote(input)));
        ASSERT_EQ(made.status, 0) << made.err;
        EXPECT_EQ(HasZeroedDescriptorMember(ReadBytes(input)), maker.writesDescriptors);
    }

    CommandResult built = Mksfx(options + " " + Quote(input) + " -o " + Quote(image));
    ASSERT_EQ(built.status, 0) << built.err;
    CommandResult info = Mksfx("info " + Quote(image));
    EXPECT_EQ(info.status, 0) << info.out << info.err;
    EXPECT_EQ(info.out.find("Encrypted") != std::string::npos, !password.empty()) << info.out;

    std::string unzip = "unzip" + (password.empty() ? std::string() : " -P " + password);
    CommandResult tested = Shell(unzip + " -t " + Quote(image));
    EXPECT_EQ(tested.status, 0) << tested.out << tested.err;
    EXPECT_NE(tested.out.find("No errors detected"), std::string::npos) << tested.out;
    for (const char *complaint : {"warning", "extra bytes", "missing"}) {
        EXPECT_EQ(tested.out.find(complaint), std::string::npos) << tested.out;
        EXPECT_EQ(tested.err.find(complaint), std::string::npos) << tested.err;
    }
    CommandResult extracted = Shell(unzip + " -q " + Quote(image) + " -d " + Quote(temp / "x"));
    ASSERT_EQ(extracted.status, 0) << extracted.err;
    EXPECT_EQ(TreeListing(temp / "x", maker.keepsFolders), TreeListing(source, maker.keepsFolders));

    int descriptors = CheckLocalRecords(ViewImage(image));
    EXPECT_TRUE(descriptors > 0 || !maker.writesDescriptors);
}

INSTANTIATE_TEST_SUITE_P(Makers, ToolArchive, testing::ValuesIn(kMakers),
                         [](const testing::TestParamInfo<Maker> &info) { return std::string(info.param.name); });

// The same folder gives the same image, byte for byte.
TEST(FolderInput, IsReproducible) {
    REQUIRE_STUB();
    TempFolder temp;
    std::string source = SourceTreeIn(temp);
    for (const char *name : {"a.exe", "b.exe"})
        ASSERT_EQ(Mksfx("--stub " + Quote(TestStub()) + " " + Quote(source) + " -o " + Quote(temp / name)).status, 0);
    EXPECT_EQ(ReadBytes(temp / "a.exe"), ReadBytes(temp / "b.exe"));
}

// Bytes in front of the archive (offsets counted from the archive's own
// start) and descriptors without their signature are both read; the image
// gets rebased offsets and signed descriptors.
TEST(ZipInput, TakesLeadingBytesAndUnsignedDescriptors) {
    REQUIRE_STUB();
    REQUIRE_TOOL("python3");
    TempFolder temp;
    // A member with bit 3, zeros in its local header and a 12-byte descriptor.
    const char script[] =
        "import struct, zlib, sys\n"
        "data = b'unsigned descriptor ' * 50\n"
        "packed = zlib.compress(data, 9)[2:-4]\n"
        "crc = zlib.crc32(data)\n"
        "name = b'member.txt'\n"
        "local = struct.pack('<IHHHHHIIIHH', 0x04034b50, 20, 8, 8, 0, 0x21, 0, 0, 0, len(name), 0) + name\n"
        "desc = struct.pack('<III', crc, len(packed), len(data))\n"
        "prefix = b'leading bytes that are not part of the archive'\n"
        "central = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 20, 20, 8, 8, 0, 0x21, crc, len(packed),\n"
        "                      len(data), len(name), 0, 0, 0, 0, 0, 0) + name\n"
        "body = local + packed + desc\n"
        "end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, len(central), len(body), 0)\n"
        "sys.stdout.buffer.write(prefix + body + central + end)\n";
    WriteText(temp / "make.py", script);
    ASSERT_EQ(Shell("python3 " + Quote(temp / "make.py") + " > " + Quote(temp / "in.zip")).status, 0);
    std::string image = temp / "out.exe";
    CommandResult built = Mksfx("--stub " + Quote(TestStub()) + " " + Quote(temp / "in.zip") + " -o " + Quote(image));
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(Mksfx("info " + Quote(image)).status, 0);
    CommandResult tested = Shell("unzip -t " + Quote(image));
    EXPECT_EQ(tested.status, 0) << tested.out << tested.err;
    EXPECT_EQ(tested.out.find("warning"), std::string::npos) << tested.out;
    EXPECT_EQ(CheckLocalRecords(ViewImage(image)), 1);
}

}  // namespace
