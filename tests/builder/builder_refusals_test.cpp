// Everything mksfx refuses: one line on stderr naming the file and the
// cause, a non-zero exit, and no output file or temporary left behind.
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "base/crc32.h"
#include "builder/output/pe_format.h"
#include "archive/zip_format.h"
#include "builder/output/zip_writer.h"
#include "builder_fixture.h"
#include "tests/support/name_rule_cases.h"
#include "base/byte_order.h"
#include "image/config_record.h"

using namespace buildertest;

namespace {

// What one case runs: mksfx `options` `input` -o out.exe, expecting
// "mksfx: <expectedFile>: ...<cause>...".
struct Case {
    std::string input;
    std::string options;
    std::string expectedFile;
};

// A ZIP holding one stored member, written by the builder's own writer
// (which checks nothing), then patched by `patch` when given.
std::string CraftedZip(const TempFolder &temp, ZipMember member, void (*patch)(std::vector<uint8_t> &) = nullptr) {
    if (member.data.empty() && !IsFolderName(member.name))
        member.data.assign(5, 'x');
    member.uncompressedSize = (uint32_t)member.data.size();
    member.crc = Crc32Of(member.data.data(), member.data.size());
    ZipArchive archive;
    archive.members.push_back(member);
    WrittenArchive written;
    Failure failure;
    WriteArchive(archive, 0, written, failure);
    if (patch)
        patch(written.bytes);
    std::string path = temp / "in.zip";
    WriteBytes(path, written.bytes);
    return path;
}

ZipMember Named(const std::string &name, uint16_t flags = 0, uint16_t method = kMethodStored) {
    ZipMember member;
    member.name = name;
    member.flags = flags;
    member.method = method;
    return member;
}

std::string Stub(const TempFolder &temp, const std::vector<uint8_t> &bytes) {
    WriteBytes(temp / "stub.exe", bytes);
    return temp / "stub.exe";
}

// Runs `command` in the temp folder to make in.zip; the case's input.
std::string ToolZip(const TempFolder &temp, const std::string &command) {
    SourceTreeIn(temp);
    Shell("cd " + Quote(temp.path) + " && " + command);
    return temp / "in.zip";
}

// A ZIP64 archive whose one member declares 5 GiB in its ZIP64 fields (the
// data is not there: the size alone must be refused).
std::string Zip64Over4GiB(const TempFolder &t) {
    const char script[] =
        "import struct, sys\n"
        "name = b'big.bin'\n"
        "z64 = struct.pack('<HHQQ', 1, 16, 5 << 30, 5 << 30)\n"
        "local = struct.pack('<IHHHHHIIIHH', 0x04034b50, 45, 0, 0, 0, 0x21, 0, 0xFFFFFFFF, 0xFFFFFFFF, len(name),\n"
        "                    len(z64)) + name + z64\n"
        "central = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 45, 45, 0, 0, 0, 0x21, 0, 0xFFFFFFFF, 0xFFFFFFFF,\n"
        "                      len(name), len(z64), 0, 0, 0, 0, 0) + name + z64\n"
        "end64 = struct.pack('<IQHHIIQQQQ', 0x06064b50, 44, 45, 45, 0, 0, 1, 1, len(central), len(local))\n"
        "loc = struct.pack('<IIQI', 0x07064b50, 0, len(local) + len(central), 1)\n"
        "end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, 0xFFFFFFFF, 0xFFFFFFFF, 0)\n"
        "sys.stdout.buffer.write(local + central + end64 + loc + end)\n";
    WriteText(t / "make64.py", script);
    Shell("python3 " + Quote(t / "make64.py") + " > " + Quote(t / "in.zip"));
    return t / "in.zip";
}

struct Refusal {
    const char *name;
    const char *cause;
    void (*prepare)(const TempFolder &temp, Case &c);
};

const Refusal kRefusals[] = {
    // Archives.
    {"not_a_zip", "not a ZIP archive",
     [](const TempFolder &t, Case &c) { WriteText(c.input = t / "in.zip", "plain text, no archive"); }},
    {"empty_zip", "nothing to extract", [](const TempFolder &t, Case &c) {
         WriteStoredZip(c.input = t / "in.zip", {});
     }},
    {"empty_folder", "nothing to extract", [](const TempFolder &t, Case &c) {
         std::filesystem::create_directories(c.input = t / "nothing");
     }},
    {"split", "split over several files", [](const TempFolder &t, Case &c) {
         c.input = ToolZip(t, "head -c 200000 /dev/urandom > src/big && zip -qr -s 64k in.zip src");
     }},
    {"method_unknown", "compression method 97",
     [](const TempFolder &t, Case &c) { c.input = CraftedZip(t, Named("a.txt", 0, 97)); }},
    {"deflate64", "compression method 9", [](const TempFolder &t, Case &c) {
         c.input = ToolZip(t, "7z a -tzip -mm=Deflate64 -bd in.zip src >/dev/null");
     }},
    {"aes", "AES", [](const TempFolder &t, Case &c) {
         c.input = ToolZip(t, "7z a -tzip -bd -mem=AES256 -psecret in.zip src >/dev/null");
     }},
    {"strong_encryption", "strong encryption",
     [](const TempFolder &t, Case &c) { c.input = CraftedZip(t, Named("a.txt", kFlagBitEncrypted | kFlagBitStrongEncryption)); }},
    {"name_201_bytes", "201 bytes", [](const TempFolder &t, Case &c) { c.input = CraftedZip(t, Named(std::string(201, 'n'))); }},
    {"dot_dot", "member 'a/../../evil.txt' has a name part that ends in a blank or a dot",
     [](const TempFolder &t, Case &c) { c.input = CraftedZip(t, Named("a/../../evil.txt")); }},
    {"dot_dot_backslash", "ends in a blank or a dot", [](const TempFolder &t, Case &c) { c.input = CraftedZip(t, Named("a\\..\\evil.txt")); }},
    {"trailing_blank", "member 'evil /x.txt' has a name part that ends in a blank or a dot",
     [](const TempFolder &t, Case &c) { c.input = CraftedZip(t, Named("evil /x.txt")); }},
    {"drive_letter", "member 'C:/evil.txt' holds a control character or ':'",
     [](const TempFolder &t, Case &c) { c.input = CraftedZip(t, Named("C:/evil.txt")); }},
    {"device_nul", "member 'nul.txt' has a device name", [](const TempFolder &t, Case &c) { c.input = CraftedZip(t, Named("nul.txt")); }},
    {"device_com1", "member 'COM1.log' has a device name", [](const TempFolder &t, Case &c) { c.input = CraftedZip(t, Named("COM1.log")); }},
    {"device_conin", "member 'conin$' has a device name", [](const TempFolder &t, Case &c) { c.input = CraftedZip(t, Named("conin$")); }},
    {"unicode_path_device", "member 'x/aux.c' has a device name", [](const TempFolder &t, Case &c) {
         // The stub takes the name from the Unicode Path field, so mksfx judges that one.
         ZipMember member = Named("x/harmless.c");
         std::string field = std::string("\x75\x70\x0C\x00\x01", 5);
         uint32_t crc = Crc32Of((const uint8_t *)member.name.data(), member.name.size());
         for (int i = 0; i < 4; i++)
             field += (char)(crc >> (8 * i));
         member.localExtra.assign(field.begin(), field.end());
         member.localExtra.insert(member.localExtra.end(), {'x', '/', 'a', 'u', 'x', '.', 'c'});
         member.centralExtra = member.localExtra;
         c.input = CraftedZip(t, member);
     }},
    {"folder_with_data", "folder that carries data", [](const TempFolder &t, Case &c) {
         ZipMember member = Named("dir/");
         member.data.assign(3, 'd');
         c.input = CraftedZip(t, member);
     }},
    {"local_crc_differs", "contradicts the central directory", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"), [](std::vector<uint8_t> &zip) { zip[kLocalCrc] ^= 1; });
     }},
    {"local_name_differs", "contradicts the central directory", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"), [](std::vector<uint8_t> &zip) { zip[kLocalHeaderSize] = 'b'; });
     }},
    {"bad_crc", "member 'a.txt' fails its CRC or size check", [](const TempFolder &t, Case &c) {
         // The data byte changed after the CRC was taken.
         c.input = CraftedZip(t, Named("a.txt"), [](std::vector<uint8_t> &zip) { zip[kLocalHeaderSize + 5] ^= 1; });
     }},
    {"utf8_flag_on_invalid_name", "not valid UTF-8", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("caf\xE9.txt", kFlagBitUtf8));
     }},
    {"utf8_overlong_dot_dot", "not valid UTF-8", [](const TempFolder &t, Case &c) {
         // "\xC0\xAE" is an overlong '.': "..", disguised.
         c.input = CraftedZip(t, Named("\xC0\xAE\xC0\xAE/evil.txt", kFlagBitUtf8));
     }},
    {"utf8_name_201_bytes", "201 bytes", [](const TempFolder &t, Case &c) {
         std::string name;
         for (int i = 0; i < 67; i++)
             name += "\xCE\xB1";   // 134 bytes of Greek alpha
         c.input = CraftedZip(t, Named(name + std::string(67, 'a'), kFlagBitUtf8));
     }},
    {"zip64_over_4_gib", "larger than 4 GiB", [](const TempFolder &t, Case &c) {
         c.input = Zip64Over4GiB(t);
     }},
    {"password_for_zip", "folder input only", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         c.options += " --password pw";
     }},
    // Folders.
    {"fifo_in_folder", "neither a regular file nor a folder", [](const TempFolder &t, Case &c) {
         c.input = SourceTreeIn(t);
         mkfifo((c.expectedFile = c.input + "/docs/pipe").c_str(), 0644);
     }},
    {"link_to_folder", "link to a folder", [](const TempFolder &t, Case &c) {
         c.input = SourceTreeIn(t);
         symlink("docs", (c.expectedFile = c.input + "/loop").c_str());
     }},
    {"device_in_folder", "its name 'docs/con.txt' has a device name", [](const TempFolder &t, Case &c) {
         c.input = SourceTreeIn(t);
         WriteText(c.expectedFile = c.input + "/docs/con.txt", "x");
     }},
    {"name_windows_refuses", "does not allow", [](const TempFolder &t, Case &c) {
         c.input = SourceTreeIn(t);
         WriteText(c.expectedFile = c.input + "/what?.txt", "x");
     }},
    // Stubs.
    {"stub_not_pe", "no MZ header", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         WriteText(c.expectedFile = t / "stub.exe", "not a program at all, just some text to fill the header");
         c.options = "--stub " + c.expectedFile;
     }},
    {"stub_pe32_plus", "32-bit x86", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         std::vector<uint8_t> pe = SyntheticStub(0x200, 0x1000, 2, 0x400);
         WriteLe16(pe.data() + 0x80 + kPeMagic, 0x20B);
         c.options = "--stub " + (c.expectedFile = Stub(t, pe));
     }},
    {"stub_no_room_for_section", "no room for another section", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         c.options = "--stub " + (c.expectedFile = Stub(t, SyntheticStub(0x200, 0x1000, 3, 0x200)));
     }},
    {"stub_marker_twice", "occurs 2 times", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         std::vector<uint8_t> pe = SyntheticStub(0x200, 0x1000, 2, 0x400);
         memcpy(pe.data() + 0x600 + 16, CONFIG_MARKER_BYTES, kMarkerSize);
         c.options = "--stub " + (c.expectedFile = Stub(t, pe));
     }},
    {"stub_without_marker", "occurs 0 times", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         std::vector<uint8_t> pe = SyntheticStub(0x200, 0x1000, 2, 0x400);
         pe[0x400 + 16] = 'X';
         c.options = "--stub " + (c.expectedFile = Stub(t, pe));
     }},
    {"stub_certificate_inside", "certificate table does not end the file", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         std::vector<uint8_t> pe = SyntheticStub(0x200, 0x1000, 2, 0x400);
         WriteLe32(pe.data() + 0x80 + kPeCertificateDirectory, 0x400);
         WriteLe32(pe.data() + 0x80 + kPeCertificateDirectory + 4, 0x100);
         c.options = "--stub " + (c.expectedFile = Stub(t, pe));
     }},
    {"stub_missing", "No such file", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         c.options = "--stub " + (c.expectedFile = t / "absent.exe");
     }},
    // TextBlock limits; the output is named.
    {"folder_text_261", "folder text has 261 characters", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         c.options += " --folder " + std::string(261, 'f');
         c.expectedFile = t / "out.exe";
     }},
    {"title_text_65", "title text has 65 characters", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         c.options += " --title " + std::string(65, 't');
         c.expectedFile = t / "out.exe";
     }},
    // Characters as Windows counts them: 65 of three bytes each are too many,
    // and so are 33 beyond U+FFFF (two each).
    {"title_japanese_65", "title text has 65 characters (at most 64)", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         for (int i = 0; i < 65; i++)
             c.options += i ? "日" : " --title 日";
         c.expectedFile = t / "out.exe";
     }},
    {"title_emoji_33", "title text has 66 characters (at most 64)", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         for (int i = 0; i < 33; i++)
             c.options += i ? "\xF0\x9F\x98\x80" : " --title \xF0\x9F\x98\x80";
         c.expectedFile = t / "out.exe";
     }},
    {"folder_not_utf8", "folder text is not valid UTF-8", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         c.options += " --folder C:\\D\xE9mo";
         c.expectedFile = t / "out.exe";
     }},
    // The texts are checked before the input is read: a damaged member
    // would be refused too, but later.
    {"texts_before_the_input", "info text has 512 characters", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"), [](std::vector<uint8_t> &zip) { zip[kLocalHeaderSize + 5] ^= 1; });
         c.options += " --info " + std::string(512, 'i');
         c.expectedFile = t / "out.exe";
     }},
    {"text_block_over_1256", "text block takes 1289 bytes", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         c.options += " --folder " + std::string(260, 'f') + " --prompt " + std::string(513, 'p') + " --info " +
                      std::string(511, 'i');
         c.expectedFile = t / "out.exe";
     }},
    // Spanned sets that cannot be laid out.
    {"span_smaller_than_a_header", "does not fit in one volume", [](const TempFolder &t, Case &c) {
         ZipMember member = Named("a.txt");
         member.localExtra.assign(30000, 0);
         WriteLe16(member.localExtra.data() + 2, 30000 - 4);   // one field of unknown kind
         c.input = CraftedZip(t, member);
         c.options += " --span 24k";
         c.expectedFile = t / "out.exe";
     }},
    {"span_smaller_than_the_stub", "no room for the archive on disk 1", [](const TempFolder &t, Case &c) {
         c.input = CraftedZip(t, Named("a.txt"));
         c.options += " --span 4k --exe-volumes";
         c.expectedFile = t / "out.exe";
     }},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const Refusal &c, std::ostream *out) {
    *out << c.name;
}

class RefusedInput : public testing::TestWithParam<Refusal> {};

TEST_P(RefusedInput, FailsWithOneLineAndLeavesNothing) {
    REQUIRE_STUB();
    const Refusal &refusal = GetParam();
    TempFolder temp;
    Case c;
    c.options = "--stub " + Quote(TestStub());
    refusal.prepare(temp, c);
    if (c.expectedFile.empty())
        c.expectedFile = c.input;
    ASSERT_TRUE(std::filesystem::exists(c.input)) << "the tool that makes this input is missing";
    std::string output = temp / "out.exe";

    CommandResult result = Mksfx(c.options + " " + Quote(c.input) + " -o " + Quote(output));
    EXPECT_NE(result.status, 0);
    EXPECT_EQ(result.err.rfind("mksfx: " + c.expectedFile + ": ", 0), 0u) << result.err;
    EXPECT_NE(result.err.find(refusal.cause), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_FALSE(std::filesystem::exists(output));
    EXPECT_FALSE(std::filesystem::exists(temp / "disk1"));
    for (const auto &entry : std::filesystem::directory_iterator(temp.path))
        EXPECT_EQ(entry.path().filename().string().rfind(".mksfx-", 0), std::string::npos) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Cases, RefusedInput, testing::ValuesIn(kRefusals),
                         [](const testing::TestParamInfo<Refusal> &info) { return std::string(info.param.name); });

// mksfx refuses every name of the shared table that the stub refuses, and
// those Windows cannot make, through the stub's own rules.
TEST(NameRules, MksfxRefusesWhatTheStubRefuses) {
    for (const namerules::NameRuleCase &c : namerules::kNameRuleCases) {
        ZipMember member = Named(c.name, kFlagBitUtf8);
        std::string refusal = MemberRefusal(member);
        EXPECT_EQ(refusal.empty(), c.rule == kNameSafe && !c.windowsRefuses) << c.name << ": " << refusal;
    }
}

// Names that Windows folds into one file give a warning, and only they.
TEST(NameRules, CaseCollisionsAreWarned) {
    ZipArchive archive;
    for (const char *name : {"Read.me", "dir/A.txt", "DIR\\a.TXT", "\xC3\x84rger", "\xC3\xA4rger", "\xD0\xAF.txt",
                             "\xD1\x8F.txt", "b.txt", "dir/"})
        archive.members.push_back(Named(name, kFlagBitUtf8));
    std::vector<std::string> warnings = CaseCollisions(archive);
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_NE(warnings[0].find("'dir/A.txt' and 'DIR\\\\a.TXT' differ only in case"), std::string::npos) << warnings[0];
}

// The command line: usage errors give one line, the hint and exit 2; help
// and version go to stdout; "--" ends the options; every accepted option
// builds (what each sets in the image is checked in builder_image_test).
TEST(CommandLine, FollowsTheConventions) {
    REQUIRE_STUB();
    TempFolder temp;
    WriteStoredZip(temp / "in.zip", {{"a.txt", "a"}});
    WriteStoredZip(temp / "-dash.zip", {{"b.txt", "b"}});
    const std::string stub = "--stub " + Quote(TestStub()) + " ";
    const std::string in = Quote(temp / "in.zip"), out = Quote(temp / "out.exe");
    const std::string kTry = "Try 'mksfx --help'.\n", kInfoTry = "Try 'mksfx info --help'.\n";
    const struct {
        std::string arguments;
        int status;
        std::string out;      // stdout starts with this
        std::string err;      // stderr is exactly this ("*" = anything)
    } cases[] = {
        // Usage errors.
        {in, 2, "", "mksfx: no output given (-o OUTPUT.exe)\n" + kTry},
        {"-o " + out, 2, "", "mksfx: no input given (a .zip file or a folder)\n" + kTry},
        {in + " -o " + out + " --bogus", 2, "", "mksfx: unknown option --bogus\n" + kTry},
        {in + " -o", 2, "", "mksfx: option -o needs a value\n" + kTry},
        {in + " -o " + out + " --prompt-buttons maybe", 2, "",
         "mksfx: --prompt-buttons takes ok, yesno or okcancel, not 'maybe'\n" + kTry},
        {in + " -o " + out + " --span 12q", 2, "",
         "mksfx: --span takes a size in bytes, optionally with k or m, not '12q'\n" + kTry},
        {in + " -o " + out + " --exe-volumes", 2, "", "mksfx: --exe-volumes needs --span\n" + kTry},
        {in + " -o " + out + " --run-args x", 2, "", "mksfx: --run-args needs --run\n" + kTry},
        {in + " -o " + out + " --run ''", 2, "", "mksfx: --run needs a program that is not empty\n" + kTry},
        {in + " -o " + out + " --run " + std::string(257, 'r'), 2, "",
         "mksfx: --run has 257 characters (at most 256)\n" + kTry},
        {in + " -o " + out + " --run s.bat --run-args \"$(printf 'a\\nb')\"", 2, "",
         "mksfx: --run-args holds a line break\n" + kTry},
        {in + " -o " + out + " --password ''", 2, "", "mksfx: --password needs a password that is not empty\n" + kTry},
        {"a.zip b.zip -o " + out, 2, "", "mksfx: more than one input: 'a.zip' and 'b.zip'\n" + kTry},
        {in + " -o " + out + " --auto=yes", 2, "", "mksfx: option --auto takes no value\n" + kTry},
        {"info", 2, "", "mksfx: info needs an image to check\n" + kInfoTry},
        {"info --overwrite x.exe", 2, "", "mksfx: unknown option --overwrite for info\n" + kInfoTry},
        {in + " -o " + out + " --in x", 2, "",
         "mksfx: option --in is ambiguous (--info, --install-verb)\n" + kTry},
        {in + " -o " + out + " --inc", 2, "", "mksfx: unknown option --inc\n" + kTry},
        {in + " -qx -o " + out, 2, "", "mksfx: unknown option -x\n" + kTry},
        {in + " -qo", 2, "", "mksfx: option -o needs a value\n" + kTry},
        {in + " -o " + out + " --password x --ask-password", 2, "",
         "mksfx: give the password one way only: --password, --password-file or --ask-password\n" + kTry},
        // Help and version.
        {"--help", 0, "Usage: mksfx [OPTION]...", ""},
        {"-h", 0, "Usage: mksfx [OPTION]...", ""},
        {"info --help", 0, "Usage: mksfx info", ""},
        {"--version", 0, "mksfx (Tarvex Self-Extractor) ", ""},
        // Building, and the end of the options.
        {stub + in + " -o " + out, 0, temp / "out.exe: 1 members", ""},
        {stub + in + " --output=" + out + " --quiet", 0, "", ""},
        {stub + "-q --allow-damaged -o " + out + " -- " + Quote(temp / "-dash.zip"), 0, "", ""},
        {stub + "-o " + out + " -- --help", 1, "", "mksfx: --help: No such file or directory\n"},
        // Bundled short options, a joined value, shortened long options.
        {stub + in + " -qo " + out, 0, "", ""},
        {stub + in + " -qo" + out, 0, "", ""},
        {stub + "-q" + " --out=" + out + " --allow " + in, 0, "", ""},
        {"--he", 0, "Usage: mksfx [OPTION]...", ""},
        {"info --password-f " + Quote(temp / "nothing") + " " + out, 1, "",
         "mksfx: " + temp / "nothing" + ": No such file or directory\n"},
        {"info -- " + out, 0, temp / "out.exe: ", ""},
    };
    for (const auto &c : cases) {
        CommandResult result = Mksfx(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments << "\n" << result.err;
        EXPECT_EQ(result.out.rfind(c.out, 0), 0u) << c.arguments << "\n" << result.out;
        if (c.err != "*") {
            EXPECT_EQ(result.err, c.err) << c.arguments;
        }
    }
}

// A build from a few megabytes shows one line of progress on a terminal
// (here a pseudo-terminal made by script), none with --quiet and none when
// stderr is not a terminal.
TEST(Progress, IsShownOnlyOnATerminal) {
    REQUIRE_STUB();
    REQUIRE_TOOL("script");
    TempFolder temp;
    std::vector<uint8_t> data(5u << 20);
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (uint8_t)((i * 2654435761u) >> 15);
    std::filesystem::create_directories(temp / "big");
    WriteBytes(temp / "big/data.bin", data);
    const std::string build = Quote(MKSFX_PATH) + " --stub " + Quote(TestStub()) + " " + Quote(temp / "big") + " -o " +
                              Quote(temp / "out.exe");
    CommandResult terminal = Shell("script -qec " + Quote(build) + " /dev/null");
    EXPECT_EQ(terminal.status, 0) << terminal.out;
    EXPECT_NE(terminal.out.find("mksfx: 1/1 members, 5.0 of 5.0 MiB, "), std::string::npos) << terminal.out;
    CommandResult quiet = Shell("script -qec " + Quote(build + " --quiet") + " /dev/null");
    EXPECT_EQ(quiet.out, "") << quiet.out;
    CommandResult piped = Mksfx("--stub " + Quote(TestStub()) + " " + Quote(temp / "big") + " -o " + Quote(temp / "out.exe"));
    EXPECT_EQ(piped.err, "");
}

// The README's builder section shows `mksfx --help` as it is.
TEST(CommandLine, ReadmeShowsTheHelpAsItIs) {
    std::vector<uint8_t> bytes = ReadBytes(std::string(TARVEX_SOURCE_DIR) + "/README.md");
    std::string readme(bytes.begin(), bytes.end());
    const std::string begin = "<!-- mksfx --help: begin -->\n```text\n", end = "```\n<!-- mksfx --help: end -->";
    size_t from = readme.find(begin), to = readme.find(end);
    ASSERT_NE(from, std::string::npos);
    ASSERT_NE(to, std::string::npos);
    from += begin.size();
    EXPECT_EQ(readme.substr(from, to - from), Mksfx("--help").out);
}

// The help fits 80 columns and keeps the option for the tests out of the
// user's sight (it still works: builder_image_test).
TEST(CommandLine, HelpFitsATerminal) {
    for (const char *help : {"--help", "info --help"}) {
        std::string text = Mksfx(help).out;
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
        EXPECT_EQ(text.find("--incomplete"), std::string::npos);
    }
}

// A member whose data fails its CRC: refused by default (above), taken with
// --allow-damaged and a warning naming it, and then reported by info as the
// stub's own pass would end.
TEST(DamagedInput, IsTakenOnlyWhenAllowed) {
    REQUIRE_STUB();
    TempFolder temp;
    ZipMember good = Named("good.txt"), bad = Named("bad.txt");
    good.data.assign(5, 'g');
    bad.data.assign(5, 'b');
    ZipArchive archive;
    for (ZipMember *member : {&good, &bad}) {
        member->uncompressedSize = 5;
        member->crc = Crc32Of(member->data.data(), 5);
        archive.members.push_back(*member);
    }
    archive.members[1].data[2] ^= 1;
    WrittenArchive written;
    Failure failure;
    ASSERT_TRUE(WriteArchive(archive, 0, written, failure));
    WriteBytes(temp / "in.zip", written.bytes);
    CommandResult built = Mksfx("--stub " + Quote(TestStub()) + " --allow-damaged " + Quote(temp / "in.zip") +
                                " -o " + Quote(temp / "out.exe"));
    EXPECT_EQ(built.status, 0);
    EXPECT_EQ(built.err, "mksfx: " + temp / "in.zip" +
                             ": warning: member 'bad.txt' fails its CRC or size check (its data is damaged)\n");
    CommandResult info = Mksfx("info " + Quote(temp / "out.exe"));
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.out.find("good.txt  intact"), std::string::npos) << info.out;
    EXPECT_NE(info.err.find("stops at member 'bad.txt' with \"ZIP damaged: file D:\\bad.txt: Bad CRC"),
              std::string::npos)
        << info.err;
}

}  // namespace
