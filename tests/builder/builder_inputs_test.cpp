// Images made from archives written by other tools and from folders: mksfx
// info accepts each, unzip tests each without a warning, extracts the same
// bytes as the source, and every local record carries its real CRC and sizes
// with a 16-byte signed descriptor where flag bit 3 is set.
#include <string.h>

#include <filesystem>

#include "archive/zip_format.h"
#include "base/crc32.h"
#include "builder/members/name_text.h"
#include "builder/output/zip_writer.h"
#include "builder_fixture.h"
#include "base/byte_order.h"
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

// The same, every member with ZIP64 extra fields and records although every
// size fits in 32 bits.
const char kPythonZip64[] =
    "import os, sys, zipfile\n"
    "z = zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED)\n"
    "for root, dirs, files in os.walk('.'):\n"
    "    dirs.sort()\n"
    "    for name in sorted(dirs) + sorted(files):\n"
    "        path = os.path.join(root, name)\n"
    "        arc = os.path.relpath(path, '.')\n"
    "        if os.path.isdir(path):\n"
    "            z.write(path, arc)\n"
    "            continue\n"
    "        with open(path, 'rb') as f, z.open(arc, 'w', force_zip64=True) as w:\n"
    "            w.write(f.read())\n"
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
    {"zip_forced_zip64", "zip", "zip -qr -fz %Z .", true, "", false, false},
    {"python_force_zip64", "python3", "python3 ../make_zip64.py %Z", true, "", false, false},
    {"bsdtar_dot_parts", "bsdtar", "bsdtar -a -cf %Z .", true, "", true, false},   // every name starts with ./
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

// Whether a local header needs version 4.5 (ZIP64).
bool HasZip64Member(const std::vector<uint8_t> &zip) {
    for (size_t at = 0; at + kLocalHeaderSize <= zip.size(); at++)
        if (ReadLe32(zip.data() + at) == kLocalSignature && ReadLe16(zip.data() + at + kLocalVersionNeeded) == kVersionZip64)
            return true;
    return false;
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
    WriteText(temp / "make_zip64.py", kPythonZip64);
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
        EXPECT_EQ(HasZip64Member(ReadBytes(input)), strstr(maker.name, "zip64") != nullptr);
    }

    CommandResult built = Mksfx(options + " " + Quote(input) + " -o " + Quote(image));
    ASSERT_EQ(built.status, 0) << built.err;
    CommandResult info = Mksfx("info " + Quote(image));
    EXPECT_EQ(info.status, 0) << info.out << info.err;
    EXPECT_EQ(info.out.find("Encrypted") != std::string::npos, !password.empty()) << info.out;
    if (!password.empty()) {
        // Without the password encrypted members are stepped over; with it
        // the stub's pass decodes them; a wrong one ends it with its message.
        EXPECT_NE(info.out.find("encrypted, not checked"), std::string::npos) << info.out;
        CommandResult checked = Mksfx("info --password " + password + " " + Quote(image));
        EXPECT_EQ(checked.status, 0) << checked.out << checked.err;
        EXPECT_EQ(checked.out.find("not checked"), std::string::npos) << checked.out;
        CommandResult wrong = Mksfx("info --password wrong" + password + " " + Quote(image));
        EXPECT_EQ(wrong.status, 1);
        // One wrong password in 256 passes the check byte; the CRC stops it then.
        EXPECT_TRUE(wrong.err.find("with \"Incorrect password specified\"") != std::string::npos ||
                    wrong.err.find("Bad CRC") != std::string::npos)
            << wrong.err;
    }

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

// Runs the Python `script` that writes a ZIP on its output, then mksfx on
// that ZIP, making `image`.
CommandResult BuildFromScript(const TempFolder &temp, const char *script, const std::string &image) {
    WriteText(temp / "make.py", script);
    CommandResult made = Shell("python3 " + Quote(temp / "make.py") + " > " + Quote(temp / "in.zip"));
    if (made.status != 0)
        return made;
    return Mksfx("--stub " + Quote(TestStub()) + " " + Quote(temp / "in.zip") + " -o " + Quote(image));
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
    std::string image = temp / "out.exe";
    CommandResult built = BuildFromScript(temp, script, image);
    ASSERT_EQ(built.status, 0) << built.out << built.err;
    EXPECT_EQ(Mksfx("info " + Quote(image)).status, 0);
    CommandResult tested = Shell("unzip -t " + Quote(image));
    EXPECT_EQ(tested.status, 0) << tested.out << tested.err;
    EXPECT_EQ(tested.out.find("warning"), std::string::npos) << tested.out;
    EXPECT_EQ(CheckLocalRecords(ViewImage(image)), 1);
}


// A streamed ZIP64 archive: local sizes as placeholders before a data
// descriptor with 8-byte sizes, every central value marked (the 4-byte disk
// number too) and a classic end record that holds only placeholders. The
// ZIP64 end record is valid and every value fits, so it is read.
TEST(ZipInput, TakesZip64PlaceholdersWhereEveryValueFits) {
    REQUIRE_STUB();
    REQUIRE_TOOL("python3");
    TempFolder temp;
    const char script[] =
        "import struct, sys, zlib\n"
        "name = b'streamed.txt'\n"
        "data = b'streamed through a pipe\\n' * 20\n"
        "crc = zlib.crc32(data)\n"
        "z64local = struct.pack('<HHQQ', 1, 16, 0, 0)\n"
        "local = struct.pack('<IHHHHHIIIHH', 0x04034b50, 45, 8, 0, 0, 0x21, 0, 0xFFFFFFFF, 0xFFFFFFFF, len(name),\n"
        "                    len(z64local)) + name + z64local\n"
        "descriptor = struct.pack('<IIQQ', 0x08074b50, crc, len(data), len(data))\n"
        "body = local + data + descriptor\n"
        "z64central = struct.pack('<HHQQQI', 1, 28, len(data), len(data), 0, 0)\n"
        "central = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 0x031E, 45, 8, 0, 0, 0x21, crc, 0xFFFFFFFF, 0xFFFFFFFF,\n"
        "                      len(name), len(z64central), 0, 0xFFFF, 0, 0o100644 << 16, 0xFFFFFFFF) + name + z64central\n"
        "end64 = struct.pack('<IQHHIIQQQQ', 0x06064b50, 44, 45, 45, 0, 0, 1, 1, len(central), len(body))\n"
        "locator = struct.pack('<IIQI', 0x07064b50, 0, len(body) + len(central), 1)\n"
        "end = struct.pack('<IHHHHIIH', 0x06054b50, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)\n"
        "sys.stdout.buffer.write(body + central + end64 + locator + end)\n";
    std::string image = temp / "out.exe";
    CommandResult built = BuildFromScript(temp, script, image);
    ASSERT_EQ(built.status, 0) << built.out << built.err;
    CommandResult info = Mksfx("info " + Quote(image));
    EXPECT_EQ(info.status, 0) << info.out << info.err;
    EXPECT_NE(info.out.find("streamed.txt  intact"), std::string::npos) << info.out;
    CommandResult tested = Shell("unzip -t " + Quote(image));
    EXPECT_EQ(tested.status, 0) << tested.out << tested.err;
}

}  // namespace

namespace {

// A classic archive whose last central record's comment ends in bytes that
// look like a ZIP64 locator right before a complete end record: it is read
// as the classic archive it is.
TEST(ZipInput, TakesAFakeZip64LocatorForWhatItIs) {
    REQUIRE_STUB();
    TempFolder temp;
    ZipMember member;
    member.name = "plain.txt";
    member.data.assign({'p', 'l', 'a', 'i', 'n'});
    member.uncompressedSize = 5;
    member.crc = Crc32Of(member.data.data(), 5);
    // Signature, disk 0, an offset and a disk count: 20 bytes.
    member.comment = std::string("PK\x06\x07\0\0\0\0\x10\0\0\0\0\0\0\0\x01\0\0\0", 20);
    ZipArchive archive;
    archive.members.push_back(member);
    WrittenArchive written;
    Failure failure;
    ASSERT_TRUE(WriteArchive(archive, 0, written, failure));
    ASSERT_EQ(ReadLe32(written.bytes.data() + written.endRecord - 20), (uint32_t)kZip64LocatorSignature);
    WriteBytes(temp / "in.zip", written.bytes);
    CommandResult built = Mksfx("--stub " + Quote(TestStub()) + " " + Quote(temp / "in.zip") + " -o " +
                                Quote(temp / "out.exe"));
    EXPECT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(Mksfx("info " + Quote(temp / "out.exe")).status, 0);
}

// Names as info prints them: UTF-8 where bit 11 or a matching Unicode Path
// field says so, every other byte that is not printable ASCII as \xNN; the
// output is UTF-8 throughout. The image keeps bit 11 and the name; a
// matching Unicode Path field's name becomes the name, with bit 11.
TEST(Names, InfoShowsThemDecodedOrEscaped) {
    REQUIRE_STUB();
    // A Unicode Path field for the stored name `stored` giving `utf8`.
    auto unicodePath = [](const std::string &stored, const std::string &utf8, bool goodCrc) {
        std::vector<uint8_t> field(9);
        WriteLe16(field.data(), kExtraUnicodePath);
        WriteLe16(field.data() + 2, (uint16_t)(5 + utf8.size()));
        field[4] = 1;   // version
        WriteLe32(field.data() + 5, Crc32Of((const uint8_t *)stored.data(), stored.size()) ^ (goodCrc ? 0 : 1));
        field.insert(field.end(), utf8.begin(), utf8.end());
        return field;
    };
    const struct {
        const char *label;
        std::string stored;
        uint16_t flags;
        std::vector<uint8_t> extra;
        std::string shown;
    } cases[] = {
        {"cp437", "R\x82sum\x82.txt", 0, {}, "R\\x82sum\\x82.txt"},
        {"utf8_flag", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.txt", kFlagBitUtf8, {},
         "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.txt"},
        {"emoji", "\xF0\x9F\x93\xA6.bin", kFlagBitUtf8, {}, "\xF0\x9F\x93\xA6.bin"},
        {"utf8_without_flag", "caf\xC3\xA9.txt", 0, {}, "caf\\xC3\\xA9.txt"},
        {"unicode_path", "Z\x81rich.txt", 0, unicodePath("Z\x81rich.txt", "Z\xC3\xBCrich.txt", true),
         "Z\xC3\xBCrich.txt"},
        // An empty name stands for nothing, to the stub and to info alike.
        {"unicode_path_empty", "Z\x81rich.txt", 0, unicodePath("Z\x81rich.txt", "", true), "Z\\x81rich.txt"},
        {"unicode_path_bad_crc", "Z\x81rich.txt", 0, unicodePath("Z\x81rich.txt", "Z\xC3\xBCrich.txt", false),
         "Z\\x81rich.txt"},
    };
    for (const auto &c : cases) {
        TempFolder temp;
        ZipMember member;
        member.name = c.stored;
        member.flags = c.flags;
        member.localExtra = member.centralExtra = c.extra;
        member.data.assign(3, 'n');
        member.uncompressedSize = 3;
        member.crc = Crc32Of(member.data.data(), 3);
        ZipArchive archive;
        archive.members.push_back(member);
        WrittenArchive written;
        Failure failure;
        ASSERT_TRUE(WriteArchive(archive, 0, written, failure));
        WriteBytes(temp / "in.zip", written.bytes);
        CommandResult built = Mksfx("--stub " + Quote(TestStub()) + " " + Quote(temp / "in.zip") + " -o " +
                                    Quote(temp / "out.exe"));
        ASSERT_EQ(built.status, 0) << c.label << ": " << built.err;
        CommandResult info = Mksfx("info " + Quote(temp / "out.exe"));
        EXPECT_EQ(info.status, 0) << c.label << "\n" << info.out << info.err;
        EXPECT_NE(info.out.find(" " + c.shown + "  intact\n"), std::string::npos) << c.label << "\n" << info.out;
        EXPECT_TRUE(IsValidUtf8(info.out)) << c.label;
        // The local header as written: the flags and the extra field kept,
        // or the Unicode Path's name written as the name with bit 11.
        ImageView view = ViewImage(temp / "out.exe");
        const uint8_t *local = view.bytes.data() + view.Field(kArchiveOffsetOffset);
        bool rewritten = !c.extra.empty() && c.shown.find("\\x") == std::string::npos;
        std::string name = rewritten ? c.shown : c.stored;
        EXPECT_EQ(std::string((const char *)local + kLocalHeaderSize, ReadLe16(local + kLocalNameLength)), name);
        EXPECT_EQ(ReadLe16(local + kLocalFlags) & kFlagBitUtf8, rewritten ? kFlagBitUtf8 : c.flags & kFlagBitUtf8)
            << c.label;
        EXPECT_EQ(std::vector<uint8_t>(local + kLocalHeaderSize + name.size(),
                                       local + kLocalHeaderSize + name.size() + ReadLe16(local + kLocalExtraLength)),
                  rewritten ? std::vector<uint8_t>() : c.extra)
            << c.label;
    }
}

// Folder input: names that are not plain ASCII are stored as UTF-8 with bit
// 11, plain ones without; the 200-byte limit counts UTF-8 bytes.
TEST(Names, FolderInputStoresUtf8WithBit11) {
    REQUIRE_STUB();
    REQUIRE_TOOL("python3");
    TempFolder temp;
    std::string greek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC";
    std::filesystem::create_directories(temp / ("src/" + greek));
    WriteText(temp / ("src/" + greek + "/\xE6\x97\xA5\xE6\x9C\xAC.txt"), "nihon");
    WriteText(temp / "src/plain.txt", "plain");
    ASSERT_EQ(Mksfx("--stub " + Quote(TestStub()) + " " + Quote(temp / "src") + " -o " + Quote(temp / "out.exe")).status, 0);
    CommandResult listed = Shell("python3 -c \"import zipfile, sys; [print(i.flag_bits & 0x800, i.filename) for i in "
                                 "zipfile.ZipFile(sys.argv[1]).infolist()]\" " + Quote(temp / "out.exe"));
    EXPECT_EQ(listed.out, "0 plain.txt\n2048 " + greek + "/\xE6\x97\xA5\xE6\x9C\xAC.txt\n") << listed.err;

    // 66 two-byte characters and a dot and 'x' make 134 bytes; with a folder
    // of 66 'a' and a separator, 201.
    std::string alphas;
    for (int i = 0; i < 66; i++)
        alphas += "\xCE\xB1";
    std::filesystem::create_directories(temp / ("long/" + std::string(65, 'a')));
    WriteText(temp / ("long/" + std::string(65, 'a') + "/" + alphas + ".x"), "200");
    EXPECT_EQ(Mksfx("--stub " + Quote(TestStub()) + " " + Quote(temp / "long") + " -o " + Quote(temp / "l.exe")).status, 0);
    std::filesystem::create_directories(temp / ("longer/" + std::string(66, 'a')));
    WriteText(temp / ("longer/" + std::string(66, 'a') + "/" + alphas + ".x"), "201");
    CommandResult refused = Mksfx("--stub " + Quote(TestStub()) + " " + Quote(temp / "longer") + " -o " + Quote(temp / "l.exe"));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("name of 201 bytes"), std::string::npos) << refused.err;
}

}  // namespace
