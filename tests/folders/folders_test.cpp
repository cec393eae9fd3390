// The default destination folder and the launching of programs, on the
// simulated machine.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "image/config_record.h"
#include "image/resources.h"
#include "tests/support/test_support.h"
#include "ui/folders.h"

using hostsim::Sim;

namespace {

class Folders : public ::testing::Test {
protected:
    void SetUp() override {
        root = testsupport::FreshMachine("folders");
        savedFlags = configRecord.Flags;
        configRecord.Flags = 0;
        ctx.mainDialog = (HWND)(uintptr_t)0x1234;
    }
    void TearDown() override {
        configRecord.Flags = savedFlags;
        testsupport::ReleaseMachine(root);
    }
    std::string root;
    uint32_t savedFlags = 0;
};

// A StringTable text formatted the way the program formats it.
template <typename... Args>
std::string Message(int index, Args... args) {
    char text[1024];
    wsprintfA(text, LookupString(index), args...);
    return text;
}

bool IsHostFolder(const std::string &windowsPath) {
    struct stat info;
    return stat(hostsim::HostPath(windowsPath).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void MakeWindowsFolder(const std::string &windowsPath) {
    testsupport::Run("mkdir -p '" + hostsim::HostPath(windowsPath) + "'");
}

TEST_F(Folders, DefaultFolderComesFromTmpTempOrTheWindowsFolder) {
    enum TempEntry { kMissing, kFolder, kFile };
    struct Case {
        const char *tmp;    // nullptr = unset
        const char *temp;
        const char *windows;
        TempEntry entry;    // <windows>\TEMP before the call
        bool makeFails;
        int result;
        const char *destination;
    } cases[] = {
        {"C:\\NOWHERE", "D:\\T", "C:\\WINDOWS", kMissing, false, 1, "C:\\NOWHERE"},   // not looked up
        {"C:\\WINDOWS", nullptr, "C:\\WINDOWS", kMissing, false, 1, "C:\\WINDOWS"},
        {"", "D:\\T", "C:\\WINDOWS", kMissing, false, 1, "D:\\T"},
        {nullptr, "D:\\T", "C:\\WINDOWS", kMissing, false, 1, "D:\\T"},
        {nullptr, nullptr, "C:\\WINDOWS", kMissing, false, 1, "C:\\WINDOWS\\TEMP"},
        {nullptr, nullptr, "C:\\WINDOWS", kFolder, false, 1, "C:\\WINDOWS\\TEMP"},
        {nullptr, nullptr, "C:\\WINDOWS\\", kMissing, false, 1, "C:\\WINDOWS\\TEMP"},
        {nullptr, nullptr, "C:\\WINDOWS", kFile, false, 0, "untouched"},
        {nullptr, "", "C:\\WINDOWS", kMissing, true, 0, "untouched"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("TMP=") + (c.tmp ? c.tmp : "unset") + " TEMP=" + (c.temp ? c.temp : "unset") +
                     " entry=" + std::to_string(c.entry));
        std::string caseRoot = testsupport::MakeTempFolder("default");
        hostsim::Reset(caseRoot);
        if (c.tmp)
            Sim().environment["TMP"] = c.tmp;
        if (c.temp)
            Sim().environment["TEMP"] = c.temp;
        Sim().windowsDirectory = c.windows;
        MakeWindowsFolder("C:\\WINDOWS");
        if (c.entry == kFolder)
            MakeWindowsFolder("C:\\WINDOWS\\TEMP");
        if (c.entry == kFile)
            testsupport::WriteFile(hostsim::HostPath("C:\\WINDOWS\\TEMP"), "x");
        if (c.makeFails)
            Sim().failAt[hostsim::kFaultMakeFolder] = 1;
        WCHAR destination[kPathBufferSize] = u"untouched";
        EXPECT_EQ(DefaultDestinationFolder(destination), c.result);
        EXPECT_EQ(testsupport::Utf8(destination), c.destination);
        if (std::string(c.destination) == "C:\\WINDOWS\\TEMP") {
            EXPECT_TRUE(IsHostFolder(c.destination));
        }
        testsupport::RemoveTree(caseRoot);
    }
}

// The folder is wide from the environment on: every character comes through,
// whatever the ANSI code page lacks or splits into bytes (表 is 95 5C in code
// page 932, a trail byte that reads as a separator). A value too long for the
// buffer falls through to TEMP.
TEST_F(Folders, EnvironmentFolderKeepsEveryCharacterOrFallsThrough) {
    std::string tooLong = "C:\\" + std::string(kPathBufferSize, 'A');
    struct Case {
        UINT codePage;
        std::string tmp;
        const char *destination;
    } cases[] = {
        {1252, "C:\\Démo\\日本", "C:\\Démo\\日本"},
        {932, "C:\\表\\X", "C:\\表\\X"},
        {1252, "C:\\Установка", "C:\\Установка"},
        {1252, tooLong, "D:\\T"},
    };
    for (const Case &c : cases) {
        Sim().codePage = c.codePage;
        Sim().environment["TMP"] = c.tmp;
        Sim().environment["TEMP"] = "D:\\T";
        WCHAR destination[kPathBufferSize] = u"";
        EXPECT_EQ(DefaultDestinationFolder(destination), 1);
        EXPECT_EQ(testsupport::Utf8(destination), c.destination) << c.tmp.size() << " bytes of TMP";
    }
}

TEST_F(Folders, WindowsFolderTooLongForItsBufferIsRefused) {
    Sim().windowsDirectory = "C:\\" + std::string(260, 'W');
    WCHAR candidate[264];
    EXPECT_EQ(WindowsTempFolder(candidate), 0);
    EXPECT_EQ(Sim().refusedPaths, 0u);
}

TEST_F(Folders, AcceptedFolderLosesOneFinalBackslashUnlessARoot) {
    struct Case {
        const char *tmp;
        const char *destination;
    } cases[] = {
        {"C:\\TEMP\\", "C:\\TEMP"},
        {"C:\\", "C:\\"},
        {"C:\\TEMP\\\\", "C:\\TEMP\\\\"},
        {"C:\\TEMP/", "C:\\TEMP/"},
        {"\\\\SRV\\SHARE\\", "\\\\SRV\\SHARE"},
        {"A\\", "A\\"},
    };
    for (const Case &c : cases) {
        Sim().environment["TMP"] = c.tmp;
        WCHAR destination[kPathBufferSize] = u"";
        EXPECT_EQ(DefaultDestinationFolder(destination), 1);
        EXPECT_EQ(testsupport::Utf8(destination), c.destination) << "TMP=" << c.tmp;
    }
}

TEST_F(Folders, ShellModeLooksUpTheProgramInTheCommandsFolder) {
    struct Case {
        const char *command;
        const char *folder;
        const char *file;
    } cases[] = {
        {"C:\\SETUP.EXE", "C:\\", "SETUP.EXE"},
        {"SETUP.EXE", "", "SETUP.EXE"},
        {"C:\\INST\\SETUP.EXE", "C:\\INST", "SETUP.EXE"},
        {"..\\SETUP.EXE", "..\\", "SETUP.EXE"},
        {"C:\\INST\\\\README.TXT", "C:\\INST\\\\", "README.TXT"},
        {"\\SETUP.EXE", "\\", "SETUP.EXE"},   // the root of the current drive
        {"C:\\Демо\\установка.exe", "C:\\Демо", "установка.exe"},
    };
    for (const Case &c : cases) {
        Sim().launches.clear();
        EXPECT_EQ(LaunchProgram(testsupport::Wide(c.command).c_str(), u""), 42);
        ASSERT_EQ(Sim().launches.size(), 2u) << c.command;
        EXPECT_EQ(Sim().launches[0].kind, "FindExecutable");
        EXPECT_EQ(Sim().launches[0].folder, c.folder) << c.command;
        EXPECT_EQ(Sim().launches[0].file, c.file) << c.command;
        EXPECT_EQ(Sim().launches[1].kind, "ShellExecute");
        EXPECT_EQ(Sim().launches[1].file, c.command);
    }
}

TEST_F(Folders, ShellModeReportsWhatTheShellAnswered) {
    const char *command = "C:\\DOCS\\README.TXT";
    struct Case {
        intptr_t found;
        intptr_t executed;
        uint32_t flags;
        const char *arguments;
        int result;
        std::string box;    // "" = none
        UINT style;
        const char *verb;   // ShellExecute's, nullptr = not called
    } cases[] = {
        {SE_ERR_NOASSOC, 42, 0, "", 0, Message(kStrCannotUseCommandFile, command), MB_ICONERROR, nullptr},
        {2, 42, 0, "", 0, Message(kStrErrorRunningCommand, 2, command), MB_OK, nullptr},
        {32, 42, 0, "", 0, Message(kStrErrorRunningCommand, 32, command), MB_OK, nullptr},
        {33, 42, 0, "/S", 42, "", 0, ""},
        {33, 42, kFlagInstallVerb, "/S", 42, "", 0, "Install"},
        {33, 5, 0, "", 0, Message(kStrErrorRunningCommand, 5, command), MB_OK, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE("found " + std::to_string(c.found) + " executed " + std::to_string(c.executed));
        Sim().launches.clear();
        Sim().transcript.clear();
        Sim().findExecutableResult = c.found;
        Sim().shellExecuteResult = c.executed;
        configRecord.Flags = c.flags;
        EXPECT_EQ(LaunchProgram(testsupport::Wide(command).c_str(), testsupport::Wide(c.arguments).c_str()), c.result);
        if (c.box.empty()) {
            EXPECT_TRUE(Sim().transcript.empty());
        } else {
            ASSERT_EQ(Sim().transcript.size(), 1u);
            EXPECT_EQ(Sim().transcript[0].text, c.box);
            EXPECT_EQ(Sim().transcript[0].style, c.style);
            EXPECT_EQ(Sim().transcript[0].caption, "Tarvex Self-Extractor");
            EXPECT_EQ(Sim().transcript[0].owner, ctx.mainDialog);
        }
        ASSERT_EQ(Sim().launches.size(), c.verb ? 2u : 1u);
        if (c.verb) {
            EXPECT_EQ(Sim().launches[1].verb, c.verb);
            EXPECT_EQ(Sim().launches[1].parameters, c.arguments);
            EXPECT_EQ(Sim().launches[1].folder, "");
        }
    }
}

TEST_F(Folders, RunArchiverStartsTheRegisteredProgramOnThisFile) {
    const std::string longProgram = "C:\\" + std::string(250, 'P') + ".EXE";   // 257 characters
    const std::string longModule = "D:\\" + std::string(252, 'M') + ".EXE";    // 259 characters
    const std::string kNoKey = "<no key>";
    struct Case {
        const char *label;
        std::string registered;   // kNoKey = the key is missing
        std::string module;
        uint32_t flags;
        bool shift;
        int winExec;
        int result;
        std::string commandLine;   // "" = nothing started
        std::string box;           // "" = none
    } cases[] = {
        {"plain", "C:\\ARCH\\ARCH.EXE %1", "D:\\DL\\PACK.EXE", 0, false, 33, 1,
         "C:\\ARCH\\ARCH.EXE \"D:\\DL\\PACK.EXE\"", ""},
        {"spanned on .ZIP volumes", "C:\\ARCH\\ARCH.EXE %1", "D:\\DL\\PACK.EXE", kFlagSpanned, false, 33, 1,
         "C:\\ARCH\\ARCH.EXE \"D:\\DL\\PACK.zip\"", ""},
        {"spanned on .EXE volumes", "C:\\ARCH\\ARCH.EXE %1", "D:\\DL\\PACK.EXE", kFlagSpanned | kFlagExeVolumes,
         false, 33, 1, "C:\\ARCH\\ARCH.EXE \"D:\\DL\\PACK.EXE\"", ""},
        {"shift held", "C:\\ARCH\\ARCH.EXE %1", "D:\\DL\\PACK.EXE", 0, true, 33, 0, "",
         LookupString(kStrArchiverNotFound)},
        {"no key", kNoKey, "D:\\DL\\PACK.EXE", 0, false, 33, 0, "", LookupString(kStrArchiverNotFound)},
        {"empty value", "", "D:\\DL\\PACK.EXE", 0, false, 33, 0, "", LookupString(kStrArchiverNotFound)},
        {"value too long to read", std::string(kPathBufferSize, 'V') + " %1", "D:\\DL\\PACK.EXE", 0, false, 33, 0, "",
         LookupString(kStrArchiverNotFound)},
        {"no space", "C:\\ARCH\\ARCH.EXE", "D:\\DL\\PACK.EXE", 0, false, 33, 1,
         "C:\\ARCH\\ARCH.EXE \"D:\\DL\\PACK.EXE\"", ""},
        {"quoted program", "\"C:\\Program Files\\Arch\\arch.exe\" \"%1\"", "D:\\DL\\PACK.EXE", 0, false, 33, 1,
         "\"C:\\Program Files\\Arch\\arch.exe\" \"D:\\DL\\PACK.EXE\"", ""},
        {"longest value and path", longProgram + " %1", longModule, 0, false, 33, 1,
         longProgram + " \"" + longModule + "\"", ""},
        {"not started", "C:\\ARCH\\ARCH.EXE %1", "D:\\DL\\PACK.EXE", 0, false, 2, 0,
         "C:\\ARCH\\ARCH.EXE \"D:\\DL\\PACK.EXE\"",
         Message(kStrErrorRunningCommand, 2, "C:\\ARCH\\ARCH.EXE \"D:\\DL\\PACK.EXE\"")},
    };
    const char *key = "tarvex\\shell\\open\\command";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        Sim().registry.clear();
        Sim().launches.clear();
        Sim().transcript.clear();
        if (c.registered != kNoKey)
            Sim().registry[key] = c.registered;
        ASSERT_LE(c.module.size(), (size_t)kMaxPathLength);
        testsupport::SetImagePath(c.module);
        configRecord.Flags = c.flags;
        Sim().shiftDown = c.shift;
        Sim().winExecResult = c.winExec;
        EXPECT_EQ(RunArchiver(), c.result);
        if (c.commandLine.empty()) {
            EXPECT_TRUE(Sim().launches.empty());
        } else {
            ASSERT_EQ(Sim().launches.size(), 1u);
            EXPECT_EQ(Sim().launches[0].kind, "WinExec");
            EXPECT_EQ(Sim().launches[0].file, c.commandLine);
        }
        if (c.box.empty()) {
            EXPECT_TRUE(Sim().transcript.empty());
        } else {
            ASSERT_EQ(Sim().transcript.size(), 1u);
            EXPECT_EQ(Sim().transcript[0].text, c.box);
            EXPECT_EQ(Sim().transcript[0].style, (UINT)MB_OK);
            EXPECT_EQ(Sim().transcript[0].owner, ctx.mainDialog);
        }
    }
}

}  // namespace
