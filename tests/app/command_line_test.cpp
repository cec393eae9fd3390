// The command line: splitting off the program name, "-info", and the AUTO
// and NOAUTO options with their folder.
#include <gtest/gtest.h>
#include <string.h>

#include <filesystem>
#include <vector>

#include "app/command_line.h"
#include "context/extraction_context.h"
#include "tests/support/test_support.h"

using namespace testsupport;

namespace {

TEST(ArgumentText, FollowsTheProgramName) {
    struct Case {
        const char *line, *arguments;
    } cases[] = {
        {"SFX.EXE", ""},
        {"SFX.EXE -auto", "-auto"},
        {"SFX.EXE  -auto", " -auto"},
        {"\"C:\\My Files\\SFX.EXE\" -auto", " -auto"},
        {"\"C:\\My Files\\SFX.EXE\"-auto", "-auto"},
        {"\"C:\\My Files\\SFX.EXE -auto", ""},
        {"\"\" x", " x"},
        {"", ""},
        {"\"C:\\Установка\\SFX.EXE\" -auto C:\\Démo", " -auto C:\\Démo"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.line);
        std::u16string line = Wide(c.line);
        EXPECT_EQ(Utf8(ArgumentText(&line[0])), c.arguments);
    }
}

// "-info" is an option only as a word of its own, in lower case; paths
// that merely contain it are extracted to.
TEST(InfoOption, IsAWholeLowerCaseWord) {
    struct Case {
        const char *arguments;
        int found;
    } cases[] = {
        {"-info", 1},
        {" -info", 1},                          // behind a quoted program name
        {"-auto C:\\out -info", 1},
        {"-info -auto C:\\out", 1},
        {"-info\"C:\\out\"", 1},                // a quote ends the word
        {"-auto C:\\my-information\\out", 0},
        {"-auto C:\\x-info\\y", 0},
        {"-auto C:\\x-info", 0},                // at the end, but inside a word
        {"x-infos\\sfx.exe", 0},                 // the rest of an unquoted program path
        {"-infos", 0},
        {"\"-info\"", 1},                      // quoted
        {"-auto C:\\out\t-info", 1},           // behind a tab
        {"-info:", 1},
        {"-info:x", 1},                         // the colon ends the word
        {"-info\t-auto", 1},
        {"-auto \"C:\\x\"-info", 1},            // behind a closing quote
        {"-INFO", 0},
        {"-Info", 0},
        {"-inf", 0},
        {"", 0},
        {"-auto C:\\日本 -info", 1},
        {"-auto C:\\日本-info", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments);
        EXPECT_EQ(HasInfoOption(Wide(c.arguments).c_str()), c.found);
    }
}

class CommandLineScan : public ::testing::Test {
protected:
    void SetUp() override { root = FreshMachine("cmdline"); }
    void TearDown() override { ReleaseMachine(root); }
    std::string root;
};

// The switches in front of AUTO/NOAUTO; every case of the AUTO/NOAUTO table
// below also goes through this scan first and must come out unchanged.
TEST_F(CommandLineScan, SwitchesComeBeforeTheAutoOption) {
    struct Case {
        std::string arguments;
        int yes, silent;
        std::string rest;       // what the AUTO/NOAUTO scan reads
        std::string log = "";   // the log file made, as a host path below the machine
    } cases[] = {
        {"-y", 1, 0, ""},
        {"/Y -auto C:\\x", 1, 0, " -auto C:\\x"},
        {"-SILENT", 0, 1, ""},
        {"-silent\t/y", 1, 1, ""},
        {"-Silent -y -noauto", 1, 1, " -noauto"},
        {"-log C:\\run.log -auto", 0, 0, "-auto", "C/run.log"},   // the blank became the terminator
        {"-log \"C:\\my logs\\run.log\" -y", 1, 0, "", "C/my logs/run.log"},
        {"/LOG\tC:\\run.log", 0, 0, "", "C/run.log"},
        {"-log", 0, 0, ""},
        {"-yes", 0, 0, "-yes"},             // no switch: the AUTO scan sees it
        {"-silently -y", 0, 0, "-silently -y"},
        {"-auto C:\\x -y", 0, 0, "-auto C:\\x -y"},   // behind AUTO: part of the folder
        {"C:\\x -y", 0, 0, "C:\\x -y"},
        {"-y-silent", 0, 0, "-y-silent"},
        {"-log C:\\журнал.log", 0, 0, "", "C/журнал.log"},   // the log's name keeps every character
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments);
        TearDown();
        SetUp();
        testsupport::WriteFile(root + "/C/my logs/x", "");
        ctx.answerYes = ctx.silent = 0;
        std::u16string text = Wide(c.arguments);
        EXPECT_EQ(Utf8(ScanSwitches(&text[0])), c.rest);
        EXPECT_EQ(ctx.answerYes, c.yes);
        EXPECT_EQ(ctx.silent, c.silent);
        EXPECT_EQ(ctx.logFile != 0, !c.log.empty());
        if (!c.log.empty()) {
            EXPECT_TRUE(std::filesystem::exists(root + "/" + c.log));
        }
        if (ctx.logFile)
            _lclose(ctx.logFile);
        ctx.logFile = 0;
    }
}

TEST_F(CommandLineScan, SetsAutoModeAndTheFolderFromTheFirstOption) {
    const char *kDefault = "C:\\Default";
    const std::string long260(260, 'd'), long261(261, 'd');
    const std::string refused = "Error in folder name specfied on the command line.";
    struct Case {
        std::string arguments;
        int autoBefore, autoAfter;
        std::string folder;      // destinationFolder afterwards
        std::string text;        // the argument text afterwards
        std::string box = "";    // the text of a box shown, if any
    } cases[] = {
        {"-auto c:\\temp\\out", 0, 1, "c:\\temp\\out", "-AUTO c:\\temp\\out"},
        {"/auto \"C:\\My Files\\Out\" more", 0, 1, "C:\\My Files\\Out", "/AUTO \"C:\\My Files\\Out\" more"},
        {"-auto \"C:\\Out", 0, 1, "C:\\Out", "-AUTO \"C:\\Out"},
        {"-auto C:\\My Files\\Out ", 0, 1, "C:\\My Files\\Out ", "-AUTO C:\\My Files\\Out "},
        {"-auto", 0, 1, kDefault, "-AUTO"},
        {"-auto   ", 0, 1, kDefault, "-AUTO   "},
        {"-AUTOMATIC", 0, 1, "MATIC", "-AUTOMATIC"},
        {"-autoc:\\x y", 0, 1, "C\x1A\\X y", "-AUTOC\x1A\\X y"},
        {"-noauto", 1, 0, kDefault, "-NOAUTO"},
        {"/NoAuto", 1, 0, kDefault, "/NOAUTO"},
        {"/NOAUTO /AUTO", 1, 0, kDefault, "/NOAUTO /AUTO"},
        {"-x", 1, 1, kDefault, "-x"},
        {"-abc", 0, 0, kDefault, "-abc"},
        {"C:/dir", 0, 0, kDefault, "C:/dir"},
        {"my-file -auto", 0, 0, kDefault, "my-FILE -auto"},
        {"-other", 1, 1, kDefault, "-OTHER"},
        {"-auto " + long260, 0, 1, long260, "-AUTO " + long260},
        {"-auto \"C:\\Out\" " + long261, 0, 1, "C:\\Out", "-AUTO \"C:\\Out\" " + long261},
        // A folder beyond the field: refused with a box, and the dialog
        // waits for the user instead of unzipping somewhere unasked.
        {"-auto " + long261, 1, 0, kDefault, "-AUTO " + long261, refused},
        {"-auto \"" + long261 + "\"", 0, 0, kDefault, "-AUTO \"" + long261 + "\"", refused},
        // The folder keeps every character: it is read from the wide command line.
        {"-auto \"C:\\Démo\\日本\"", 0, 1, "C:\\Démo\\日本", "-AUTO \"C:\\Démo\\日本\""},
        {"-auto C:\\Папка", 0, 1, "C:\\Папка", "-AUTO C:\\Папка"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments);
        SetDestination(kDefault);
        ctx.autoMode = c.autoBefore;
        hostsim::Sim().transcript.clear();
        std::u16string text = Wide(c.arguments);
        EXPECT_EQ(ScanSwitches(&text[0]), &text[0]);
        ScanCommandLine(&text[0]);
        EXPECT_EQ(ctx.autoMode, c.autoAfter);
        EXPECT_EQ(Utf8(ctx.destinationFolder), c.folder);
        EXPECT_EQ(Utf8(text.c_str()), c.text);
        if (c.box.empty()) {
            EXPECT_TRUE(hostsim::Sim().transcript.empty());
            continue;
        }
        ASSERT_EQ(hostsim::Sim().transcript.size(), 1u);
        EXPECT_EQ(hostsim::Sim().transcript[0].text, c.box);
        EXPECT_EQ(hostsim::Sim().transcript[0].caption, "Tarvex Self-Extractor");
    }
}

}  // namespace
