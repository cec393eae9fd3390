// Output paths: composition, folder creation, the path utilities, and the
// refusal of names that would leave the destination or open a device.
#include <gtest/gtest.h>

#include "archive/member_names.h"
#include "archive/output_path.h"
#include "base/error_exit.h"
#include "base/path_utils.h"
#include "tests/archive/archive_fixture.h"
#include "tests/support/name_rule_cases.h"

using namespace archivetest;

namespace {

class PathsTest : public ExtractionTest {};

TEST(MemberNames, TheSharedRuleTable) {
    for (const namerules::NameRuleCase &c : namerules::kNameRuleCases) {
        std::u16string name = Wide(c.name);
        EXPECT_EQ(MemberNameRule(name.c_str(), (int)name.size()), c.rule) << c.name;
    }
}

TEST_F(PathsTest, ComposedOutputPath) {
    struct Case {
        const char *destination;
        const char *name;
        const char *path;
    } cases[] = {
        {"C:\\out", "a/b.txt", "C:\\out\\a\\b.txt"},
        {"C:\\out\\", "a/b.txt", "C:\\out\\a\\b.txt"},
        {"C:\\out/", "a\\b.txt", "C:\\out/a\\b.txt"},
        {"C:\\out", "/a/b.txt", "C:\\out\\a\\b.txt"},
        {"C:\\out", "\\\\srv\\share\\x.txt", "C:\\out\\srv\\share\\x.txt"},
        {"C:\\out", "//a//b///c.txt", "C:\\out\\a\\b\\c.txt"},
        {"\\\\srv\\share\\out", "x.txt", "\\\\srv\\share\\out\\x.txt"},
        {"", "/a/b.txt", "a\\b.txt"},
    };
    for (const Case &c : cases) {
        testsupport::SetDestination(c.destination);
        UseMemberName(WideFromAnsi(c.name));
        ComposeOutputPath();
        EXPECT_EQ(Utf8(ctx.memberPath), c.path) << c.destination << " + " << c.name;
        EXPECT_EQ(Utf8(ctx.messagePath), c.path) << c.destination << " + " << c.name;
    }
}

TEST(PathUtilities, TextOperations) {
    struct AppendCase {
        const char *text, *edited;
    } appends[] = {{"", "\\"}, {"C:", "C:\\"}, {"C:\\", "C:\\"}, {"a/", "a/"}, {"a", "a\\"}};
    for (const AppendCase &c : appends) {
        char text[16];
        lstrcpyA(text, c.text);
        AppendSeparator(text);
        EXPECT_STREQ(text, c.edited) << c.text;
    }
    struct StripCase {
        const char16_t *text;
        const char *edited;
    } strips[] = {
        {u"C:\\", "C:\\"},     {u"C:\\out\\", "C:\\out"}, {u"\\\\", "\\\\"}, {u"ab\\\\", "ab\\\\"},
        {u"a\\", "a\\"},       {u"abc\\", "abc"},       {u"C:\\out", "C:\\out"}, {u"C:\\日本\\", "C:\\日本"},
    };
    for (const StripCase &c : strips) {
        WCHAR text[16];
        CopyWide(text, c.text);
        StripTrailingBackslash(text);
        EXPECT_EQ(Utf8(text), c.edited) << c.edited;
    }
    struct NameCase {
        const char *path, *name;
    } names[] = {{"C:\\a\\b.txt", "b.txt"}, {"a/b/c", "c"}, {"plain", "plain"}, {"\\root", "\\root"},
                 {"dir\\", ""},             {"", ""},       {"x/\\y", "y"}};
    for (const NameCase &c : names)
        EXPECT_STREQ(FileNamePart(c.path), c.name) << c.path;
}

TEST_F(PathsTest, FolderAndDriveQueries) {
    testsupport::WriteFile(root_ + "/C/dir/file.txt", "x");
    testsupport::WriteFile(root_ + "/C/Папка/日本/x", "x");
    uint32_t attributes = 7;
    EXPECT_EQ(PathExists(u"C:\\dir\\file.txt", &attributes), 1);
    EXPECT_EQ(attributes, 7u);
    EXPECT_EQ(PathExists(u"C:\\dir", &attributes), 1);
    EXPECT_EQ(attributes, (uint32_t)FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(PathExists(u"C:\\none", nullptr), 0);
    EXPECT_EQ(MakeFolder(u"C:\\dir\\new"), 1);
    EXPECT_EQ(MakeFolder(u"C:\\dir\\new"), 0);
    EXPECT_EQ(MakeFolder(u"C:\\missing\\new"), 0);
    EXPECT_EQ(MakeFolder(u"C:\\Папка\\Démo"), 1);
    EXPECT_TRUE(Exists(root_ + "/C/Папка/Démo"));

    EXPECT_TRUE(DriveIsValid(u"C:\\anything"));
    EXPECT_FALSE(DriveIsValid(u"Q:\\out"));

    WCHAR path[32] = u"C:\\dir\\";
    EXPECT_EQ(ChangeFolder(path), 1);
    EXPECT_EQ(Utf8(path), "C:\\dir\\");
    WCHAR current[64];
    EXPECT_EQ(Utf8(GetCurrentFolder(current, 64)), "C:\\dir");
    WCHAR missing[32] = u"C:\\none\\";
    EXPECT_EQ(ChangeFolder(missing), 0);
    EXPECT_EQ(Utf8(missing), "C:\\none\\");
    WCHAR wide[32] = u"C:\\Папка\\日本";
    EXPECT_EQ(ChangeFolder(wide), 1);
    EXPECT_EQ(Utf8(GetCurrentFolder(current, 64)), "C:\\Папка\\日本");
    WCHAR root[8] = u"C:\\";
    EXPECT_EQ(ChangeFolder(root), 1);
    EXPECT_EQ(Utf8(GetCurrentFolder(current, 64)), "C:\\");
}

TEST_F(PathsTest, UncDestinationMakesOnlyTheFoldersBelowTheShare) {
    testsupport::Run("mkdir -p '" + root_ + "/UNC/SRV/SHARE'");
    testsupport::SetDestination("\\\\SRV\\SHARE\\out");
    InstallImage(BuildZip({Member("d/f.txt", "unc"), Member("e/")}).bytes);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_EQ(testsupport::ReadFile(root_ + "/UNC/SRV/SHARE/out/d/f.txt"), "unc");
    EXPECT_TRUE(Exists(root_ + "/UNC/SRV/SHARE/out/e"));
    EXPECT_EQ(hostsim::Sim().refusedPaths, 0u);   // no attempt at \\SRV or \\SRV\SHARE
}

TEST_F(PathsTest, DestinationOnAMissingDriveNamesTheLetter) {
    testsupport::SetDestination("Q:\\OUT");
    InstallImage(BuildZip({Member("a.txt", "x")}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), "Drive Q is not a valid drive, unzip operation cancelled.");
}

TEST_F(PathsTest, FolderThatCannotBeMade) {
    testsupport::Run("mkdir -p '" + root_ + "/C/OUT'");
    hostsim::Sim().failAt[hostsim::kFaultMakeFolder] = 2;
    InstallImage(BuildZip({Member("one/two/three/f.txt", "x")}).bytes);
    EXPECT_EQ(Pass(), kGuardFailed);
    EXPECT_EQ(LastBox(), "Could not create \"C:\\OUT\\one\\two\" - unzip operation cancelled.");
    EXPECT_EQ(ListTree(root_ + "/C/OUT"), (std::vector<std::string>{"one/"}));
}

// Each folder along the members' paths is looked up once a pass: a member
// whose folders the member before it found or made looks up none of them,
// only whether the deepest folder of the member before is still there.
// A name that only begins like a known folder ("ab" after "a") is looked up
// as new; each new pass looks again.
TEST_F(PathsTest, FoldersAreLookedUpOnceAPass) {
    std::vector<ZipMember> members;
    for (int i = 0; i < 20; i++)
        members.push_back(Member("a/b/" + std::to_string(i), "x"));
    members.push_back(Member("a/c/", ""));
    members.push_back(Member("a/c/d/f", "in d"));
    members.push_back(Member("ab/f", "in ab"));
    InstallImage(BuildZip(members).bytes);
    ctx.overwriteWithoutPrompting = 1;   // no lookup of the file itself
    for (int pass = 0; pass < 2; pass++) {
        SCOPED_TRACE(pass);
        testsupport::Run("rm -rf '" + root_ + "/C/OUT'");
        hostsim::Sim().pathLookups = 0;
        ASSERT_EQ(Pass(), kGuardDone) << LastBox();
        // OUT, a, b; c; d; ab; and the deepest folder before each member
        // but the first.
        EXPECT_EQ(hostsim::Sim().pathLookups, 6u + 22u);
        EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/a/b/19"), "x");
        EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/a/c/d/f"), "in d");
        EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/ab/f"), "in ab");
    }
}

// Between two members of one folder the destination's drive vanishes, or
// the folder does, with or without a box up. The pass ends as the full walk
// of every member (drive check, then each folder looked up) would end it,
// though it looks only at the deepest folder it made for the member before:
// a drive gone by the next member's walk is named; one gone after the walk,
// while the overwrite question is up, fails that member's file.
TEST_F(PathsTest, FoldersKnownFromTheMemberBeforeAreCheckedAgain) {
    enum When { kAtQuestion, kBetweenMembers };
    struct Case {
        const char *label;
        When when;
        int answer;          // to the question about a.txt
        bool wholeDrive;     // else only the folder d goes
        int code;
        const char *box;     // the last box, "" for none
    } cases[] = {
        {"driveGoneAtQuestionNo", kAtQuestion, IDNO, true, kGuardFailed,
         "Drive Q is not a valid drive, unzip operation cancelled."},
        {"driveGoneAtQuestionYes", kAtQuestion, IDYES, true, kGuardFailed,
         "Can't create output file: Q:\\OUT\\d\\a.txt"},
        {"driveGoneBetweenMembers", kBetweenMembers, IDYES, true, kGuardFailed,
         "Drive Q is not a valid drive, unzip operation cancelled."},
        {"folderGoneAtQuestion", kAtQuestion, IDNO, false, kGuardDone,
         "File Q:\\OUT\\d\\a.txt already exists.  Overwrite file?"},
        {"folderGoneBetweenMembers", kBetweenMembers, IDYES, false, kGuardDone, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        hostsim::Sim().transcript.clear();
        const std::string drive = root_ + "/Q";
        testsupport::Run("rm -rf '" + drive + "' '" + root_ + "/gone' && mkdir -p '" + drive + "'");
        hostsim::Sim().driveFolders['Q'] = drive;
        testsupport::SetDestination("Q:\\OUT");
        InstallImage(BuildZip({Member("d/z.txt", "z"), Member("d/a.txt", "new"), Member("d/b.txt", "b")}).bytes);
        auto vanish = [&] {
            if (c.wholeDrive)
                hostsim::Sim().driveFolders['Q'] = root_ + "/gone";
            else
                testsupport::Run("rm -rf '" + drive + "/OUT/d'");
        };
        hostsim::Sim().boxHandler = [&](const hostsim::BoxRecord &box) {
            if (c.when == kAtQuestion && box.text.rfind("File ", 0) == 0)
                vanish();
            return c.answer;
        };
        int done = 0;
        hostsim::Sim().walkTrace = [&](WalkTraceEvent event) {
            if (event == kTraceMemberDone && ++done == 1) {
                if (c.when == kAtQuestion)
                    testsupport::WriteFile(drive + "/OUT/d/a.txt", "old");
                else
                    vanish();
            }
        };
        EXPECT_EQ(Pass(), c.code) << LastBox();
        EXPECT_EQ(hostsim::Sim().transcript.empty() ? "" : LastBox(), c.box);
        if (c.code == kGuardDone) {
            EXPECT_EQ(testsupport::ReadFile(drive + "/OUT/d/b.txt"), "b");
        }
        hostsim::Sim().boxHandler = nullptr;
        hostsim::Sim().walkTrace = nullptr;
    }
}

// Unsafe names end the pass before anything of that member is made; a tree
// beside the destination stays as it was, and no device is ever opened.
TEST_F(PathsTest, UnsafeNamesNeverReachTheFileSystem) {
    testsupport::WriteFile(root_ + "/C/CANARY/keep.txt", "canary");
    testsupport::WriteFile(root_ + "/C/evil.txt", "original");
    // Each name, then how the box shows it when that differs: control
    // characters as \xNN.
    const std::pair<std::string, std::string> names[] = {
        {"../evil.txt", ""},       {"x/../../evil.txt", ""},  {"x\\..\\..\\CANARY\\keep.txt", ""},
        {"..\\evil.txt", ""},      {"x/y/../../../evil", ""}, {"C:\\evil.txt", ""},
        {"C:evil.txt", ""},        {"x/CON", ""},             {"x/nul .txt", ""},
        {"x/LPT1.log", ""},        {"x/conout$", ""},         {"x/a\x01" "b", "x/a\\x01b"},
        {"x/..", ""},              {"x/../", ""},             {"x/data.txt:stream", ""},
        {"x/CON./", ""},           {std::string("x/\0y", 4), "x/\\x00y"},
    };
    for (const auto &[name, shown] : names) {
        SCOPED_TRACE(name);
        testsupport::Run("rm -rf '" + root_ + "/C/OUT'");
        InstallImage(BuildZip({Member("ok.txt", "fine"), Member(name, "payload"), Member("later.txt", "no")}).bytes);
        std::vector<std::string> before = ListTree(root_);
        EXPECT_EQ(Pass(), kGuardFailed);
        EXPECT_EQ(LastBox(), "Unsafe file name in archive: " + (shown.empty() ? name : shown));
        EXPECT_EQ(ListTree(root_ + "/C/OUT"), (std::vector<std::string>{"ok.txt"}));
        std::vector<std::string> after = ListTree(root_);
        after.erase(std::remove(after.begin(), after.end(), "C/OUT/ok.txt"), after.end());
        after.erase(std::remove(after.begin(), after.end(), "C/OUT/"), after.end());
        before.erase(std::remove(before.begin(), before.end(), "C/OUT/"), before.end());
        EXPECT_EQ(after, before);
        EXPECT_EQ(testsupport::ReadFile(root_ + "/C/CANARY/keep.txt"), "canary");
        EXPECT_EQ(testsupport::ReadFile(root_ + "/C/evil.txt"), "original");
        EXPECT_EQ(hostsim::Sim().refusedPaths, 0u);
    }
}

TEST_F(PathsTest, AbsoluteNamesLandInsideTheDestination) {
    InstallImage(BuildZip({Member("/abs/file.txt", "a"), Member("\\\\srv\\share\\x.txt", "b"),
                           Member("//lead/"), Member("CONSOLE.txt", "c")})
                     .bytes);
    EXPECT_EQ(Pass(), kGuardDone) << LastBox();
    EXPECT_EQ(ListTree(root_ + "/C/OUT"),
              (std::vector<std::string>{"CONSOLE.txt", "abs/", "abs/file.txt", "lead/", "srv/", "srv/share/",
                                        "srv/share/x.txt"}));
    EXPECT_EQ(ListTree(root_ + "/UNC"), std::vector<std::string>{});
}

}  // namespace
