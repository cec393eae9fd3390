// How mksfx decides each member's name with the whole archive in view: the
// archive's marks, the maker, --name-codepage, and the parts it drops.
#include <gtest/gtest.h>

#include "base/crc32.h"
#include "archive/extra_fields.h"
#include "archive/zip_format.h"
#include "builder/input/name_decision.h"

namespace {

struct Stored {
    std::string name;
    int maker = 0;                 // the high byte of version made by
    uint16_t flags = 0;
    std::string localUnicode;      // a Unicode Path field's name, "" for none
    std::string centralUnicode;
};

std::vector<uint8_t> UnicodePathField(const std::string &stored, const std::string &utf8, uint32_t crcChange = 0) {
    uint32_t crc = Crc32Of((const uint8_t *)stored.data(), stored.size()) ^ crcChange;
    std::vector<uint8_t> field = {0x75, 0x70, (uint8_t)(5 + utf8.size()), 0, 1};
    for (int i = 0; i < 4; i++)
        field.push_back((uint8_t)(crc >> (8 * i)));
    field.insert(field.end(), utf8.begin(), utf8.end());
    return field;
}

ZipMember MemberFrom(const Stored &s) {
    ZipMember member;
    member.name = s.name;
    member.versionMadeBy = (uint16_t)(s.maker << 8 | 20);
    member.flags = s.flags;
    if (!s.localUnicode.empty())
        member.localExtra = UnicodePathField(s.name, s.localUnicode);
    if (!s.centralUnicode.empty())
        member.centralExtra = UnicodePathField(s.name, s.centralUnicode);
    if (s.name.back() != '/')
        member.data = {'x'}, member.uncompressedSize = 1;
    return member;
}

const int kDos = 0, kUnix = 3, kMacOs = 19;
const uint16_t kUtf8 = kFlagBitUtf8;

TEST(NameDecision, OneNamePerMember) {
    struct Case {
        const char *label;
        std::vector<Stored> stored;
        unsigned codePage;
        std::vector<std::string> names;   // as written; bit 11 exactly on the names that are not ASCII
        std::string warning;              // a part of the one warning, "" for none
    } cases[] = {
        {"bit 11", {{"Ελ.txt", kDos, kUtf8}}, 0, {"Ελ.txt"}, ""},
        {"ASCII loses bit 11", {{"a.txt", kDos, kUtf8}}, 0, {"a.txt"}, ""},
        {"Unicode Path in the central header only", {{"%U20AC.txt", kDos, 0, "", "€.txt"}}, 0, {"€.txt"}, ""},
        {"the local Unicode Path before the central one", {{"_.txt", kDos, 0, "a€", "b€"}}, 0, {"a€"}, ""},
        {"bit 11 before a Unicode Path", {{"é.txt", kDos, kUtf8, "other"}}, 0, {"é.txt"}, ""},
        {"macOS, UTF-8 without the flag", {{"世界.txt", kMacOs}, {"a.txt", kMacOs}}, 0, {"世界.txt", "a.txt"}, ""},
        {"Unix, UTF-8 without the flag", {{"Ölfässer/", kUnix}}, 0, {"Ölfässer/"}, ""},
        {"Unix, but one unmarked name is no UTF-8: all kept",
         {{"世界.txt", kUnix}, {"\x99lf.txt", kUnix}}, 0, {"世界.txt", "\x99lf.txt"}, "'\\xE4\\xB8"},
        {"DOS maker: UTF-8 bytes are not taken as UTF-8", {{"R\xC3\xA9.txt", kDos}}, 0, {"R\xC3\xA9.txt"},
         "--name-codepage"},
        {"code page 437", {{"\x99lf\x84sser.txt", kDos}}, 437, {"Ölfässer.txt"}, ""},
        {"code page 866", {{"\x8F\xE0\xA8\xA2\xA5\xE2.txt", kDos}}, 866, {"Привет.txt"}, ""},
        {"code page 932, trail bytes 0x5C", {{"\x83\x5C\x83\x74\x83\x67\\\x83\x5C.txt", kDos}}, 932,
         {"ソフト\\ソ.txt"}, ""},
        {"code page 1251 on a Unix maker with a name that is no UTF-8", {{"\xCF\xF0\xE8.txt", kUnix}}, 1251,
         {"При.txt"}, ""},
        {"mixed: marked, Unicode Path, code page",
         {{"é.txt", kDos, kUtf8}, {"x.txt", kDos, 0, "ü.txt"}, {"\x81.txt", kDos}}, 850,
         {"é.txt", "ü.txt", "ü.txt"}, ""},
        {"dot parts dropped", {{"./", kUnix}, {"./a.txt", kUnix}, {"././b/./c.txt", kUnix}, {".\\d\\.\\e", kDos},
                               {"f/./", kUnix}, {".hidden/..x", kUnix}},
         0, {"a.txt", "b/c.txt", "d\\e", "f/", ".hidden/..x"}, ""},
    };
    for (const Case &c : cases) {
        ZipArchive archive;
        for (const Stored &s : c.stored)
            archive.members.push_back(MemberFrom(s));
        std::vector<std::string> warnings;
        Failure failure;
        ASSERT_TRUE(DecideNames(archive, c.codePage, "in.zip", warnings, failure)) << c.label << ": " << failure.cause;
        ASSERT_EQ(archive.members.size(), c.names.size()) << c.label;
        for (size_t i = 0; i < c.names.size(); i++) {
            const ZipMember &member = archive.members[i];
            EXPECT_EQ(member.name, c.names[i]) << c.label;
            bool ascii = true;
            for (unsigned char ch : member.name)
                ascii = ascii && ch < 0x80;
            bool kept = !c.warning.empty();
            EXPECT_EQ((member.flags & kFlagBitUtf8) != 0, !ascii && !kept) << c.label << ": " << member.name;
            uint16_t size;
            if (!kept) {
                for (const std::vector<uint8_t> *extra : {&member.localExtra, &member.centralExtra})
                    EXPECT_EQ(FindExtraField(extra->data(), (uint32_t)extra->size(), kExtraUnicodePath, &size), nullptr)
                        << c.label;
            }
        }
        if (c.warning.empty()) {
            EXPECT_TRUE(warnings.empty()) << c.label << ": " << (warnings.empty() ? "" : warnings[0]);
        } else {
            ASSERT_EQ(warnings.size(), 1u) << c.label;
            EXPECT_NE(warnings[0].find(c.warning), std::string::npos) << warnings[0];
        }
    }
}

TEST(NameDecision, RefusesBytesTheCodePageLacks) {
    ZipArchive archive;
    archive.members.push_back(MemberFrom({"a\x81", kDos}));   // a lead byte without its trail
    std::vector<std::string> warnings;
    Failure failure;
    EXPECT_FALSE(DecideNames(archive, 932, "in.zip", warnings, failure));
    EXPECT_NE(failure.cause.find("member 'a\\x81' cannot be read in code page 932"), std::string::npos) << failure.cause;
}

}  // namespace
