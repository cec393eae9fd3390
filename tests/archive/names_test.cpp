// Member names in UTF-8 (flag bit 11, or a Unicode Path extra field beside a
// single-byte name), the refusals only UTF-8 can make, names as messages show
// them, and paths beyond the classic 259 characters.
#include <gtest/gtest.h>

#include "archive/output_path.h"
#include "archive/zip_format.h"
#include "base/crc32.h"
#include "base/error_exit.h"
#include "progress/meter.h"
#include "tests/archive/archive_fixture.h"

using namespace archivetest;

namespace {

class NamesTest : public ExtractionTest {};

const uint16_t kUtf8 = kFlagBitUtf8;
const char kUnsafe[] = "Unsafe file name in archive: ";

// A Unicode Path extra field standing for the stored name `crcOf`:
// id 0x7075, body size, version, the CRC-32 of that name, the UTF-8 name.
std::string UnicodePath(const std::string &crcOf, const std::string &utf8, uint8_t version = 1) {
    return ExtraField(kExtraUnicodePath, std::string(1, (char)version) + LittleEndian(Crc(crcOf), 4) + utf8);
}

// Single-byte text in the ANSI code page (Windows-1252 here) as UTF-8.
std::string FromAnsi(const std::string &ansi) {
    return Utf8(WideFromAnsi(ansi).c_str());
}

// A member with its name, flags and extra field; a folder carries no data.
ZipMember Named(const std::string &name, uint16_t flags, const std::string &extra = "") {
    ZipMember m = Member(name, name.back() == '/' ? "" : "data of " + name);
    m.flags = flags;
    m.extra = extra;
    return m;
}

std::string Repeat(const std::string &part, size_t times) {
    std::string out;
    while (times-- > 0)
        out += part;
    return out;
}

// Each member in turn after an ordinary one: where it lands below C:\OUT
// (its data there), or the box that refuses it with nothing of it made.
// Nothing outside the destination changes, no device or outside path is tried.
TEST_F(NamesTest, DecodedNamesLandOrAreRefused) {
    // The longest decoded name taken: 200 characters, as for a stored name.
    const std::string deep = Repeat("abcdefg/", 25);
    // The longest Unicode Path name the kept 1 KiB of extra field holds:
    // 1,024 less the field's header (4), version (1) and CRC (4).
    const std::string deepest = Repeat("abcdefg/", 126) + "abcdef/";
    static_assert(126 * 8 + 7 == 1015, "the deepest name fills the kept extra field");
    struct Case {
        const char *what;
        ZipMember member;
        std::string landsAt;   // UTF-8 below C:\OUT; empty when refused
        std::string box;
    } cases[] = {
        {"bit 11, Greek", Named("Ελληνικά.txt", kUtf8), "Ελληνικά.txt", ""},
        {"bit 11, Cyrillic folder, Japanese file", Named("Кириллица/日本語.txt", kUtf8), "Кириллица/日本語.txt", ""},
        {"bit 11, a four-byte sequence", Named("😀/smile.txt", kUtf8), "😀/smile.txt", ""},
        {"no flag: the ANSI code page", Named("R\xE9sum\xE9.txt", 0), "Résumé.txt", ""},
        {"no flag: UTF-8 bytes stay single-byte text", Named("R\xC3\xA9sum\xC3\xA9.txt", 0), "RÃ©sumÃ©.txt", ""},
        {"Unicode Path field for the stored name", Named("R_sum_.txt", 0, UnicodePath("R_sum_.txt", "Résumé.txt")),
         "Résumé.txt", ""},
        {"Unicode Path field for another name", Named("R_sum_.txt", 0, UnicodePath("R_sum_", "Résumé.txt")),
         "R_sum_.txt", ""},
        {"Unicode Path field of version 2", Named("R_sum_.txt", 0, UnicodePath("R_sum_.txt", "Résumé.txt", 2)),
         "R_sum_.txt", ""},
        {"Unicode Path field without a name", Named("R_sum_.txt", 0, UnicodePath("R_sum_.txt", "")), "R_sum_.txt",
         ""},
        {"bit 11 wins over a Unicode Path field", Named("plain.txt", kUtf8, UnicodePath("plain.txt", "other.txt")),
         "plain.txt", ""},
        {"Unicode Path name of 200 characters", Named("d/", 0, UnicodePath("d/", deep)), deep, ""},
        {"Unicode Path name of 201 characters", Named("d/", 0, UnicodePath("d/", "x" + deep)), "", kUnsafe + std::string("d/")},
        {"Unicode Path field of 1,015 bytes", Named("d/", 0, UnicodePath("d/", deepest)), "", kUnsafe + std::string("d/")},
        {"Unicode Path field past the kept bytes", Named("d/", 0, UnicodePath("d/", "x" + deepest)), "d", ""},
        {"bit 11, a byte that is no UTF-8", Named("\xFF.txt", kUtf8), "", kUnsafe + FromAnsi("\xFF.txt")},
        {"bit 11, a sequence cut short", Named("a\xE2\x82", kUtf8), "", kUnsafe + FromAnsi("a\xE2\x82")},
        {"bit 11, '.' written overlong", Named("\xC0\xAE\xC0\xAE/evil.txt", kUtf8), "",
         kUnsafe + FromAnsi("\xC0\xAE\xC0\xAE/evil.txt")},
        {"bit 11, '/' written overlong", Named("a\xC0\xAF..\xC0\xAF" "evil.txt", kUtf8), "",
         kUnsafe + FromAnsi("a\xC0\xAF..\xC0\xAF" "evil.txt")},
        {"bit 11, '/' in three overlong bytes", Named("..\xE0\x80\xAF" "evil.txt", kUtf8), "",
         kUnsafe + FromAnsi("..\xE0\x80\xAF" "evil.txt")},
        {"bit 11, an encoded surrogate", Named("\xED\xA0\x80.txt", kUtf8), "",
         kUnsafe + FromAnsi("\xED\xA0\x80.txt")},
        {"bit 11, beyond U+10FFFF", Named("\xF4\x90\x80\x80.txt", kUtf8), "",
         kUnsafe + FromAnsi("\xF4\x90\x80\x80.txt")},
        {"bit 11, a NUL inside", Named(std::string("a\0b.txt", 7), kUtf8), "", kUnsafe + std::string("a\\x00b.txt")},
        {"no flag, a NUL and a line break inside", Named(std::string("a\0b\n.txt", 8), 0), "",
         kUnsafe + std::string("a\\x00b\\x0A.txt")},
        {"bit 11, no UTF-8, a NUL inside", Named(std::string("a\0\xE9.txt", 7), kUtf8), "",
         kUnsafe + std::string("a\\x00é.txt")},
        {"bit 11, well-formed but climbing", Named("../Ωmega.txt", kUtf8), "", kUnsafe + std::string("../Ωmega.txt")},
        {"bit 11, a port with superscript one", Named("COM¹.txt", kUtf8), "", kUnsafe + std::string("COM¹.txt")},
        {"Unicode Path field that climbs", Named("evil.txt", 0, UnicodePath("evil.txt", "../evil.txt")), "",
         kUnsafe + std::string("../evil.txt")},
        {"Unicode Path field that is no UTF-8", Named("R_sum_.txt", 0, UnicodePath("R_sum_.txt", "R\xE9sum\xE9.txt")),
         "", kUnsafe + std::string("R_sum_.txt")},
        {"look-alike slashes stay one name", Named("..∕..∕evil.txt", kUtf8), "..∕..∕evil.txt", ""},
        {"look-alike dots are a folder name", Named("．．/evil.txt", kUtf8), "．．/evil.txt", ""},
    };
    testsupport::WriteFile(root_ + "/C/evil.txt", "original");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::Run("rm -rf '" + root_ + "/C/OUT'");
        hostsim::Sim().transcript.clear();
        InstallImage(BuildZip({Member("ok.txt", "fine"), c.member}).bytes);
        int code = Pass();
        if (c.landsAt.empty()) {
            EXPECT_EQ(code, kGuardFailed);
            EXPECT_EQ(LastBox(), c.box);
            EXPECT_EQ(ListTree(root_ + "/C/OUT"), std::vector<std::string>{"ok.txt"});
        } else {
            EXPECT_EQ(code, kGuardDone) << LastBox();
            std::string landed = root_ + "/C/OUT/" + c.landsAt;
            if (c.member.name.back() == '/')
                EXPECT_TRUE(Exists(landed));
            else
                EXPECT_EQ(testsupport::ReadFile(landed), c.member.data);
        }
        EXPECT_EQ(testsupport::ReadFile(root_ + "/C/evil.txt"), "original");
        EXPECT_EQ(hostsim::Sim().refusedPaths, 0u);
    }
}

// A member that its Unicode Path name makes a folder keeps the data its
// local header declares: the walk steps over it whole, so a record hidden in
// that data is never taken for one of the archive's own.
TEST_F(NamesTest, FolderByDecodedNameStepsOverItsData) {
    ZipLayout inner = BuildZip({Member("hidden.txt", "secret")});
    std::string records = inner.bytes.substr(0, inner.centralStarts[0]);
    for (uint16_t method : {0, 8}) {
        SCOPED_TRACE(method);
        testsupport::Run("rm -rf '" + root_ + "/C/OUT'");
        ZipMember carrier = Member("carrier.txt", records, method);
        carrier.extra = UnicodePath("carrier.txt", "carrier/");
        InstallImage(BuildZip({Member("ok.txt", "fine"), carrier, Member("later.txt", "after")}).bytes);
        EXPECT_EQ(Pass(), kGuardDone) << LastBox();
        EXPECT_EQ(ListTree(root_ + "/C/OUT"), (std::vector<std::string>{"carrier/", "later.txt", "ok.txt"}));
    }
}

// Messages and the status line show a name with every character it has,
// also those the ANSI code page (here Windows-1252) lacks, and a single-byte
// name as that code page reads it.
TEST_F(NamesTest, NamesAsMessagesShowThem) {
    struct Case {
        std::string name;
        uint16_t flags;
        std::string shown;   // UTF-8
    } cases[] = {
        {"Résumé.txt", kUtf8, "Résumé.txt"},
        {"Ελληνικά.txt", kUtf8, "Ελληνικά.txt"},
        {"Кириллица 日本語.txt", kUtf8, "Кириллица 日本語.txt"},
        {"a∕b．txt", kUtf8, "a∕b．txt"},
        {"R\xE9sum\xE9.txt", 0, "Résumé.txt"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.shown);
        std::string existing = root_ + "/C/OUT/" + (c.flags ? c.name : std::string("Résumé.txt"));
        testsupport::WriteFile(existing, "old");
        hostsim::Sim().answers = {IDYES};
        InstallImage(BuildZip({Named(c.name, c.flags)}).bytes);
        ASSERT_EQ(Pass(), kGuardDone) << LastBox();
        EXPECT_EQ(LastBox(), "File C:\\OUT\\" + c.shown + " already exists.  Overwrite file?");
        EXPECT_EQ(hostsim::Sim().controlTexts[kIdStatus], "Unzipping " + c.shown);
        EXPECT_EQ(testsupport::ReadFile(existing), "data of " + c.name);
    }
}

// The path the member's calls take: the classic path while it fits 259
// characters (247 for its folders), else the full path behind \\?\ or
// \\?\UNC\, up to 32,767 characters.
TEST_F(NamesTest, PathsBeyondTheClassicLimitTakeTheLongForm) {
    const std::string n252(252, 'n'), n253(253, 'n'), f240(240, 'f'), f241(241, 'f');
    struct Case {
        const char *destination;
        std::string name;   // UTF-8 with bit 11, else single-byte text
        bool utf8;
        std::string path;   // memberPath, UTF-8
        bool longForm;
    } cases[] = {
        {"C:\\OUT", n252, false, "C:\\OUT\\" + n252, false},                    // 259
        {"C:\\OUT", n253, false, "\\\\?\\C:\\OUT\\" + n253, true},              // 260
        {"C:\\OUT\\", f240 + "/x", false, "C:\\OUT\\" + f240 + "\\x", false},    // folder of 247
        {"C:\\OUT", f241 + "/x", false, "\\\\?\\C:\\OUT\\" + f241 + "\\x", true},  // folder of 248
        {"C:\\OUT", f241 + "/", false, "\\\\?\\C:\\OUT\\" + f241 + "\\", true},  // a folder member of 248
        {"out", n253, false, "\\\\?\\C:\\DL\\out\\" + n253, true},              // relative to C:\DL
        {"C:out", n253, false, "\\\\?\\C:\\DL\\out\\" + n253, true},            // relative to C:'s folder
        {"\\\\SRV\\S\\out", n253, false, "\\\\?\\UNC\\SRV\\S\\out\\" + n253, true},
        {"C:\\OUT", "Ωmega.txt", true, "C:\\OUT\\Ωmega.txt", false},
        {"C:\\Démo\\日本", "a.txt", false, "C:\\Démo\\日本\\a.txt", false},   // a wide destination
        {"C:\\OUT", "R\xE9sum\xE9/" + n252, false, "\\\\?\\C:\\OUT\\Résumé\\" + n252, true},
    };
    hostsim::Sim().currentDirectory = "C:\\DL";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        testsupport::SetDestination(c.destination);
        UseMemberName(c.utf8 ? Wide(c.name) : WideFromAnsi(c.name), c.utf8);
        ASSERT_EQ(GuardedCall([] { ComposeOutputPath(); }), kGuardDone) << LastBox();
        EXPECT_EQ(Utf8(ctx.memberPath), c.path);
        EXPECT_EQ(ctx.longPrefix != 0, c.longForm);
    }

    // Windows' own limit, reached through a long current folder.
    // \\?\ (4), the current folder, \\o\\ (3) and the name (260) make 32,767.
    std::string current = "C:\\" + std::string(32497, 'c');
    hostsim::Sim().currentDirectory = current;
    testsupport::SetDestination("o");
    for (int extra : {0, 1}) {
        SCOPED_TRACE(extra);
        ctx.messagePath[0] = 'n';
        ctx.messagePath[1] = 0;
        UseMemberName(Wide(std::string(260 + extra, 'n')));
        int code = GuardedCall([] { ComposeOutputPath(); });
        if (extra == 0) {
            ASSERT_EQ(code, kGuardDone) << LastBox();
            EXPECT_EQ(Utf8(ctx.memberPath), "\\\\?\\" + current + "\\o\\" + std::string(260, 'n'));
            EXPECT_EQ(lstrlenW(ctx.memberPath), kLongPathLimit);
        } else {
            EXPECT_EQ(code, kGuardFailed);
            EXPECT_EQ(LastBox(), "Path too long in the destination folder for file: n");
        }
    }
}

// Long paths on the simulated machine, which refuses classic paths past the
// limits as Windows does: files, folders, the overwrite question and a
// share all work behind the prefix.
TEST_F(NamesTest, LongPathsExtract) {
    testsupport::Run("mkdir -p '" + root_ + "/UNC/SRV/S'");
    const std::string folder = "C:\\" + std::string(150, 'd');
    const std::string name = std::string(100, 'a') + "/" + std::string(60, 'b') + "/R\xE9sum\xE9.txt";
    const std::string hostName = std::string(100, 'a') + "/" + std::string(60, 'b') + "/Résumé.txt";
    for (const char *destination : {folder.c_str(), "\\\\SRV\\S\\x"}) {
        SCOPED_TRACE(destination);
        std::string host = destination[0] == 'C' ? root_ + "/C/" + std::string(150, 'd') : root_ + "/UNC/SRV/S/x";
        testsupport::SetDestination(destination);
        InstallImage(BuildZip({Member(name, "long"), Member(std::string(190, 'e') + "/")}).bytes);
        ASSERT_EQ(Pass(), kGuardDone) << LastBox();
        EXPECT_EQ(testsupport::ReadFile(host + "/" + hostName), "long");
        EXPECT_TRUE(Exists(host + "/" + std::string(190, 'e')));

        hostsim::Sim().answers = {IDNO};
        InstallImage(BuildZip({Member(name, "again")}).bytes);
        ASSERT_EQ(Pass(), kGuardDone) << LastBox();
        EXPECT_EQ(LastBox(), "File " + std::string(destination) + "\\" + std::string(100, 'a') + "\\" +
                                 std::string(60, 'b') + "\\Résumé.txt already exists.  Overwrite file?");
        EXPECT_EQ(testsupport::ReadFile(host + "/" + hostName), "long");
        EXPECT_EQ(hostsim::Sim().refusedPaths, 0u);
    }
}

// The simulated layer decodes UTF-8 as strictly as Windows and keeps
// Windows' path limits; the tests above rely on both.
TEST_F(NamesTest, SimulatedWindowsIsAsStrict) {
    struct Utf8Case {
        std::string bytes;
        int units;   // UTF-16 units with MB_ERR_INVALID_CHARS; 0 when refused
    } utf8[] = {
        {"a", 1},  {"\xC3\xA9", 1},     {"\xE2\x88\x95", 1},     {"\xF0\x9F\x98\x80", 2}, {"\xF4\x8F\xBF\xBF", 2},
        {"\xC0\xAE", 0}, {"\xC1\xBF", 0}, {"\xE0\x80\xAF", 0},   {"\xF0\x80\x80\xAF", 0}, {"\xED\xA0\x80", 0},
        {"\xF4\x90\x80\x80", 0}, {"\xE2\x82", 0}, {"\x80", 0},   {"\xFF", 0},
    };
    for (const Utf8Case &c : utf8) {
        WCHAR out[8];
        EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.bytes.data(), (int)c.bytes.size(), out, 8),
                  c.units)
            << testing::PrintToString(c.bytes);
    }

    testsupport::Run("mkdir -p '" + root_ + "/C/OUT'");
    struct PathCase {
        std::string path;   // UTF-8
        bool folder;
        bool works;
        unsigned refused;
    } paths[] = {
        {"C:\\OUT\\" + std::string(252, 'p'), false, true, 0},               // 259
        {"C:\\OUT\\" + std::string(253, 'q'), false, false, 0},              // 260
        {"C:\\OUT\\" + std::string(240, 'r'), true, true, 0},                // 247
        {"C:\\OUT\\" + std::string(241, 's'), true, false, 0},               // 248
        {"\\\\?\\C:\\OUT\\" + std::string(255, 't'), true, true, 0},
        {"\\\\?\\C:\\OUT\\" + std::string(256, 'u'), false, false, 0},       // one name over 255
        {"\\\\?\\C:\\OUT\\..\\v", false, false, 1},   // the long form resolves nothing
        {"\\\\?\\C:\\OUT/w", false, false, 1},
    };
    for (const PathCase &c : paths) {
        SCOPED_TRACE(c.path);
        hostsim::Sim().refusedPaths = 0;
        std::u16string wide = Wide(c.path);
        bool made = c.folder ? CreateDirectoryW(wide.c_str(), 0) != 0
                             : CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0) !=
                                   INVALID_HANDLE_VALUE;
        EXPECT_EQ(made, c.works);
        EXPECT_EQ(hostsim::Sim().refusedPaths, c.refused);
    }

    // A single-byte name and its UTF-16 form are one file.
    HFILE file = _lcreat("C:\\OUT\\\xE9t\xE9.txt", 0);
    ASSERT_NE(file, HFILE_ERROR);
    _lclose(file);
    EXPECT_EQ(GetFileAttributesW(Wide("C:\\OUT\\été.txt").c_str()), (DWORD)FILE_ATTRIBUTE_NORMAL);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("C:\\OUT\\\xE9t\xE9.txt", &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    EXPECT_STREQ(found.cFileName, "\xE9t\xE9.txt");
}

}  // namespace
