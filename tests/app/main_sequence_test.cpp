// The whole start-up on the simulated machine, from the platform set-up to
// the main dialog and the shutdown, over hand-made images.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "app/main_sequence.h"
#include "base/error_exit.h"
#include "base/exit_codes.h"
#include "image/resources.h"
#include "tests/support/image_fixture.h"
#include "tests/support/test_support.h"

using namespace testsupport;

namespace {

const char kIncompleteText[] = "This is an incomplete self-extractor;\nplease re-create the file and try again.";
const char kRequiresWindowsText[] = "This 32-bit self-extracting Zip file requires Windows 95, 98 or NT";

class MainSequenceRun : public ::testing::Test {
protected:
    void SetUp() override {
        memset((void *)&ctx, 0, sizeof ctx);
        root = MakeTempFolder("startup");
        hostsim::Reset(root);
    }
    void TearDown() override {
        free(ctx.startupPrompt);
        ReleaseMachine(root);
    }

    // Installs the image and runs the program with arguments; answers the
    // boxes shown, as "caption|text|style" lines.
    std::vector<std::string> Run(const TestImage &image, const std::string &arguments = "") {
        InstallTestImage(image, kTestImagePath);
        memset(ctx.imagePath, 0, sizeof ctx.imagePath);   // the program finds it itself
        std::u16string text = Wide(arguments);
        exitCode = MainSequence((HINSTANCE)(uintptr_t)0x400000, &text[0]);
        std::vector<std::string> boxes;
        for (const auto &box : hostsim::Sim().transcript) {
            EXPECT_EQ(box.owner, nullptr);
            boxes.push_back(box.caption + "|" + box.text + "|" + std::to_string(box.style));
        }
        return boxes;
    }

    TestImage Make(const TestImageShape &shape) { return MakeTestImage(shape, root); }

    bool DialogRan() { return hostsim::Sim().dialogTemplates.size() == 1; }

    std::string root;
    int exitCode = -1;
};

std::string Box(const std::string &text, UINT style, const std::string &caption = "Tarvex Self-Extractor") {
    return caption + "|" + text + "|" + std::to_string(style);
}

TEST_F(MainSequenceRun, IntactImageRunsTheDialogFromACopyOfTheTemplateAndShutsDown) {
    TestImageShape shape;
    shape.flags = kFlagCrcSkipsHeaders;
    EXPECT_TRUE(Run(Make(shape)).empty());
    ASSERT_TRUE(DialogRan());
    EXPECT_EQ(ctx.resourceBlock, nullptr);   // released, after the copy below was taken
    EXPECT_EQ(ctx.archiveFile, 0);
    EXPECT_EQ(ctx.titleText, nullptr);
    EXPECT_EQ(ctx.inflateWindow, nullptr);
    EXPECT_EQ(Utf8(ctx.imagePath), kTestImagePath);
    EXPECT_EQ(hostsim::Sim().currentDirectory, "C:\\SETUP");
    // The template starts with its style, 0x90C800C4.
    const std::vector<uint8_t> &copy = hostsim::Sim().dialogTemplates[0];
    EXPECT_EQ(std::vector<uint8_t>(copy.begin(), copy.begin() + 4), (std::vector<uint8_t>{0xC4, 0x00, 0xC8, 0x90}));
}

TEST_F(MainSequenceRun, EndsWithTheRightBoxWhenTheImageOrSystemIsUnfit) {
    struct Case {
        const char *name;
        std::function<void(TestImage &)> change;
        std::string arguments;
        uint32_t version;
        std::vector<std::string> boxes;
        bool dialog;
        int windows4OrLater;
        int exitCode;   // a dialog that ran here ended without a pass: cancelled
    } cases[] = {
        {"intact, NT 5", nullptr, "", 0x0A280105, {}, true, 1, kExitCancelled},
        {"NT 3.51 runs without the browser", nullptr, "", 0x00330003, {}, true, 0, kExitCancelled},
        {"Windows 95", nullptr, "", 0xC0000004, {}, true, 1, kExitCancelled},
        {"32-bit layer on Windows 3", nullptr, "", 0x80000003, {Box(kRequiresWindowsText, MB_OK)}, false, 0,
         kExitRefused},
        {"stub byte changed", [](TestImage &i) { i.bytes[kTestCodeOffset] ^= 1; }, "", 0x0A280105,
         {Box(kHeaderCorruptText, MB_ICONERROR)}, false, 0, kExitRefused},
        {"end record moved", [](TestImage &i) { i.record.EndRecordOffset += 1; }, "", 0x0A280105,
         {Box(kDamagedText, MB_ICONERROR)}, false, 0, kExitRefused},
        {"entry point differs", [](TestImage &i) { i.record.EntryPoint += 1; }, "", 0x0A280105,
         {Box(kDamagedText, MB_ICONERROR)}, false, 0, kExitRefused},
        {"incomplete", [](TestImage &i) { i.record.Complete = 0; }, "", 0x0A280105,
         {Box(kIncompleteText, MB_ICONERROR)}, false, 1, kExitRefused},
        {"-info", nullptr, "-auto C:\\x -info", 0x0A280105, {Box("Made by the tests", MB_OK)}, false, 0, kExitUnzipped},
        {"-info before the version gate", nullptr, "-info", 0x80000003, {Box("Made by the tests", MB_OK)}, false, 0,
         kExitUnzipped},
        {"-info behind the switches", nullptr, "-y \"-info\"", 0x0A280105, {Box("Made by the tests", MB_OK)}, false,
         0, kExitUnzipped},
        {"-INFO is not the option", nullptr, "-INFO", 0x0A280105, {}, true, 1, kExitCancelled},
        // -silent shows none of these boxes; the log has them (below).
        {"-silent, stub byte changed", [](TestImage &i) { i.bytes[kTestCodeOffset] ^= 1; }, "-silent", 0x0A280105,
         {}, false, 0, kExitRefused},
        {"-silent, incomplete", [](TestImage &i) { i.record.Complete = 0; }, "-silent", 0x0A280105, {}, false, 1,
         kExitRefused},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        TestImageShape shape;
        shape.strings = {"", "", "", "", "Made by the tests"};
        TestImage image = Make(shape);
        if (c.change) {
            ConfigRecord before = image.record;
            c.change(image);
            // A changed record is written back with a fitting checksum; a
            // changed byte stays as it is.
            if (memcmp(&before, &image.record, sizeof before) != 0)
                SealTestImage(image);
        }
        hostsim::Sim().version = c.version;
        EXPECT_EQ(Run(image, c.arguments), c.boxes);
        EXPECT_EQ(DialogRan(), c.dialog);
        EXPECT_EQ(ctx.windows4OrLater, c.windows4OrLater);
        EXPECT_EQ(exitCode, c.exitCode);
    }
}

// -log: every box (shown or not) and the exit code, one UTF-8 line each.
TEST_F(MainSequenceRun, LogHasEveryMessageAndTheExitCode) {
    struct Case {
        const char *name;
        std::string arguments;
        bool corrupt;
        std::vector<std::string> boxes;
        std::string log;
    } cases[] = {
        {"silent, header corrupt", "-silent -log C:\\SETUP\\run.log", true, {},
         std::string("message: ") + kHeaderCorruptText + "\r\nexit: 4\r\n"},
        {"shown, relative to the image's folder", "-log run.log -auto C:\\x", true,
         {Box(kHeaderCorruptText, MB_ICONERROR)}, std::string("message: ") + kHeaderCorruptText + "\r\nexit: 4\r\n"},
        {"line breaks become blanks", "/LOG \"C:\\SETUP\\run.log\" -silent", false, {},
         "message: This is an incomplete self-extractor; please re-create the file and try again.\r\nexit: 4\r\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        TestImage image = Make(TestImageShape());
        if (c.corrupt)
            image.bytes[kTestCodeOffset] ^= 1;
        else {
            image.record.Complete = 0;
            SealTestImage(image);
        }
        EXPECT_EQ(Run(image, c.arguments), c.boxes);
        EXPECT_EQ(exitCode, kExitRefused);
        _lclose(ctx.logFile);
        EXPECT_EQ(ReadFile(root + "/C/SETUP/run.log"), c.log);
    }
}

TEST_F(MainSequenceRun, StartupPromptOffersTheConfiguredButtonsAndNoOrCancelEnds) {
    const UINT kTaskModal = MB_TASKMODAL;
    struct Case {
        const char *name;
        uint32_t flags;
        std::string title;
        int answer;
        UINT style;
        std::string caption;
        bool dialog;
    } cases[] = {
        {"OK only", 0, "", IDOK, MB_OK | kTaskModal, "Tarvex Self-Extractor", true},
        {"Yes", kFlagPromptButtons, "", IDYES, MB_YESNO | kTaskModal, "Tarvex Self-Extractor", true},
        {"No", kFlagPromptButtons, "", IDNO, MB_YESNO | kTaskModal, "Tarvex Self-Extractor", false},
        {"OK of OK/Cancel", kFlagPromptButtons | kFlagPromptOkCancel, "", IDOK, MB_OKCANCEL | kTaskModal,
         "Tarvex Self-Extractor", true},
        {"Cancel", kFlagPromptButtons | kFlagPromptOkCancel, "", IDCANCEL, MB_OKCANCEL | kTaskModal,
         "Tarvex Self-Extractor", false},
        {"OkCancel alone means OK only", kFlagPromptOkCancel, "", IDOK, MB_OK | kTaskModal, "Tarvex Self-Extractor",
         true},
        {"title as caption", kFlagHasTitle, "My Setup", IDOK, MB_OK | kTaskModal, "My Setup", true},
        {"empty title", kFlagHasTitle, "", IDOK, MB_OK | kTaskModal, "Tarvex Self-Extractor", true},
        {"title without HasTitle", 0, "My Setup", IDOK, MB_OK | kTaskModal, "Tarvex Self-Extractor", true},
        {"UTF-8 title", kFlagHasTitle | kFlagUtf8Text, "Démo 日本", IDOK, MB_OK | kTaskModal, "Démo 日本", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        TestImageShape shape;
        shape.flags = c.flags;
        shape.strings = {"", "", "Read me first.", c.title, ""};
        hostsim::Sim().answers = {c.answer};
        EXPECT_EQ(Run(Make(shape)), (std::vector<std::string>{Box("Read me first.", c.style, c.caption)}));
        EXPECT_EQ(DialogRan(), c.dialog);
        EXPECT_EQ(ctx.startupPrompt == nullptr, c.dialog);   // freed once accepted
        EXPECT_EQ(exitCode, c.dialog ? kExitCancelled : kExitDeclined);
    }
}

// Under -silent the prompt is not shown: whoever asked for a silent run
// has accepted it.
TEST_F(MainSequenceRun, SilentRunTakesThePromptAsAccepted) {
    TestImageShape shape;
    shape.flags = kFlagPromptButtons;
    shape.strings = {"", "", "Read me first.", "", ""};
    EXPECT_TRUE(Run(Make(shape), "-silent").empty());
    EXPECT_TRUE(DialogRan());
    EXPECT_EQ(ctx.autoMode, 1);
}

TEST_F(MainSequenceRun, DefaultsComeFromTheFlagsAndTheCommandLineHasTheLastWord) {
    struct Case {
        uint32_t flags;
        std::string arguments;
        int overwrite, encrypted, autoMode;
        std::string folder;
        std::string defaultFolder = "C:\\Out";
    } cases[] = {
        {0, "", 0, 0, 0, "C:\\Out"},
        {kFlagOverwriteDefault | kFlagEncrypted | kFlagAutoMode, "", 1, 1, 1, "C:\\Out"},
        {kFlagAutoMode, "/noauto", 0, 0, 0, "C:\\Out"},
        {0, "-auto D:\\There", 0, 0, 1, "D:\\There"},
        {0, "-y", 1, 0, 0, "C:\\Out"},
        {0, "-silent", 0, 0, 1, "C:\\Out"},
        {kFlagAutoMode, "-silent /noauto", 0, 0, 1, "C:\\Out"},   // silent needs auto mode
        // %NAME% from the environment, in the default folder and after AUTO;
        // an unknown name stays as written.
        {0, "", 0, 0, 0, "C:\\Apps\\Out", "%APPS%\\Out"},
        {0, "-auto %APPS%\\%NOSUCH%\\x", 0, 0, 1, "C:\\Apps\\%NOSUCH%\\x"},
        {0, "-auto 100%", 0, 0, 1, "100%"},
        // Folders with every character: a UTF-8 default, and one after AUTO.
        {kFlagUtf8Text, "", 0, 0, 0, "C:\\Apps\\Démo\\日本", "%APPS%\\Démo\\日本"},
        {0, "-auto \"%APPS%\\Папка\"", 0, 0, 1, "C:\\Apps\\Папка"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.arguments + " flags " + std::to_string(c.flags));
        TearDown();
        SetUp();
        TestImageShape shape;
        shape.flags = c.flags;
        shape.strings = {c.defaultFolder, "", "", "", ""};
        hostsim::Sim().environment["APPS"] = "C:\\Apps";
        EXPECT_TRUE(Run(Make(shape), c.arguments).empty());
        EXPECT_TRUE(DialogRan());
        EXPECT_EQ(ctx.overwriteWithoutPrompting, c.overwrite);
        EXPECT_EQ(ctx.currentEntryEncrypted, c.encrypted);
        EXPECT_EQ(ctx.autoMode, c.autoMode);
        EXPECT_EQ(Utf8(ctx.destinationFolder), c.folder);
    }
}

// Any of the five lasting text buffers missing ends start-up like a missing
// working buffer, instead of writing through a null pointer later.
TEST_F(MainSequenceRun, MissingTextBufferEndsAsAHeaderCorruption) {
    for (unsigned failing = 1; failing <= 5; failing++) {
        SCOPED_TRACE(failing);
        TearDown();
        SetUp();
        TestImage image = Make(TestImageShape());
        hostsim::Sim().failAt[hostsim::kFaultGlobalAlloc] = failing;
        EXPECT_EQ(Run(image), (std::vector<std::string>{Box(kHeaderCorruptText, MB_ICONERROR)}));
        EXPECT_FALSE(DialogRan());
    }
}

TEST_F(MainSequenceRun, MainDialogIsSkippedWithoutItsTemplateBlock) {
    TestImage image = Make(TestImageShape());
    // The template copy is the last global block start-up takes.
    Run(image);
    unsigned last = hostsim::Sim().calls[hostsim::kFaultGlobalAlloc];
    TearDown();
    SetUp();
    hostsim::Sim().failAt[hostsim::kFaultGlobalAlloc] = last;
    EXPECT_TRUE(Run(image).empty());
    EXPECT_FALSE(DialogRan());
    EXPECT_EQ(ctx.titleText, nullptr);   // the shutdown still ran
}

// No memory while the password template is expanded, inside the main
// dialog: the exit must not unwind the dialog's modal call (the window
// system's frames lie there). The dialog is ended instead, and start-up ends
// the program once that call has returned, without the shutdown.
TEST_F(MainSequenceRun, ExitInsideTheMainDialogEndsTheDialogFirst) {
    TestImage image = Make(TestImageShape());
    const HWND dialog = (HWND)(uintptr_t)0x5000;
    bool unzipCommandReturned = false;
    hostsim::State &sim = hostsim::Sim();
    sim.dialogHook = [&] {
        // The Unzip command of an archive that asks for its password.
        ctx.mainDialog = dialog;
        sim.failAt[hostsim::kFaultLocalAlloc] = sim.calls[hostsim::kFaultLocalAlloc] + 1;
        EXPECT_EQ(RunPasswordTemplate(dialog, nullptr), 0);
        unzipCommandReturned = true;
    };
    InstallTestImage(image, kTestImagePath);
    WCHAR text[] = u"";
    EXPECT_EQ(MainSequence((HINSTANCE)(uintptr_t)0x400000, text), kExitRefused);
    EXPECT_TRUE(unzipCommandReturned) << "the exit unwound the dialog's modal call";
    ASSERT_EQ(sim.transcript.size(), 1u);
    EXPECT_EQ(sim.transcript[0].text, "no memory for resources");
    EXPECT_EQ(sim.transcript[0].style, (UINT)MB_ICONERROR);
    EXPECT_EQ(sim.transcript[0].owner, dialog);
    EXPECT_EQ(sim.dialogTemplates.size(), 1u) << "no password dialog without its template";
    EXPECT_EQ(sim.endedDialogs, std::vector<HWND>{dialog});
    EXPECT_NE(ctx.titleText, nullptr) << "the shutdown ran";
    EXPECT_EQ(ctx.passwordTemplate, nullptr);
}

// The shell library is loaded from the system folder only, after the
// library search has been narrowed where the system can do that.
TEST_F(MainSequenceRun, ShellLibraryComesFromTheSystemFolder) {
    for (bool present : {true, false}) {
        SCOPED_TRACE(present ? "search calls present" : "older system");
        TearDown();
        SetUp();
        TestImage image = Make(TestImageShape());
        hostsim::Sim().searchCallsPresent = present;
        Run(image);
        std::vector<std::string> expected = {"LoadLibraryA C:\\WINDOWS\\SYSTEM32\\comctl32.dll",
                                             "LoadLibraryA C:\\WINDOWS\\SYSTEM32\\shell32.dll"};
        if (present)
            expected.insert(expected.begin(), {"SetDefaultDllDirectories 0x800", "SetDllDirectoryA \"\""});
        EXPECT_EQ(hostsim::Sim().loaderLog, expected);
        EXPECT_NE(ctx.browseForFolder, nullptr);
        EXPECT_NE(ctx.getMalloc, nullptr);
        EXPECT_NE(ctx.getPathFromIdList, nullptr);
    }
}

TEST_F(MainSequenceRun, CurrentFolderIsTheImageFolder) {
    struct Case {
        const char *image, *folder;
    } cases[] = {
        {"C:\\SETUP\\SFX.EXE", "C:\\SETUP"},
        // The root keeps its backslash: "C:" alone names C's current folder.
        {"C:\\SFX.EXE", "C:\\"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.image);
        TearDown();
        SetUp();
        hostsim::Sim().currentDirectory = "C:\\WINDOWS";
        WriteFile(root + "/C/WINDOWS/x", "");
        TestImage image = Make(TestImageShape());
        InstallTestImage(image, c.image);
        WCHAR text[] = u"";
        MainSequence((HINSTANCE)(uintptr_t)0x400000, text);
        EXPECT_EQ(hostsim::Sim().currentDirectory, c.folder);
    }
}

}  // namespace

// Without a desktop to make it on, the dialog fails (-1): nothing was
// unzipped and no one cancelled, so the run counts as failed, whether the
// dialog would have shown or not.
TEST_F(MainSequenceRun, DialogThatCannotBeMadeIsAFailureNotACancel) {
    for (const char *arguments : {"", "-silent"}) {
        SCOPED_TRACE(arguments);
        TearDown();
        SetUp();
        TestImage image = Make(TestImageShape());
        hostsim::Sim().dialogResult = -1;
        EXPECT_TRUE(Run(image, arguments).empty());
        EXPECT_TRUE(DialogRan());
        EXPECT_EQ(exitCode, kExitFailed);
    }
}
