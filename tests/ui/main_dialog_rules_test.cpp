// The main dialog's decisions: when the meter shows at once, when Browse
// stays, and which folders Unzip refuses.
#include <gtest/gtest.h>

#include "image/config_record.h"
#include "tests/support/test_support.h"
#include "ui/main_dialog_rules.h"

using hostsim::Sim;

namespace {

class MainDialogRules : public ::testing::Test {
protected:
    void SetUp() override {
        root = testsupport::FreshMachine("dialog-rules");
        saved = configRecord;
    }
    void TearDown() override {
        configRecord = saved;
        testsupport::ReleaseMachine(root);
    }
    std::string root;
    ConfigRecord saved;
};

TEST_F(MainDialogRules, MeterAtOnceForLargeOrSpannedArchives) {
    struct Case {
        uint32_t endRecordOffset;
        uint32_t flags;
        int atOnce;
    } cases[] = {
        {0x7FFFF, 0, 0},
        {0x80000, 0, 1},
        {0x7FFFFFFF, 0, 1},
        {0x80000000u, 0, 0},   // read as a signed number: negative
        {0xFFFFFFFFu, 0, 0},
        {0, 0, 0},
        {0x7FFFF, kFlagSpanned, 1},
        {0, kFlagSpanned, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.endRecordOffset << " flags " << c.flags);
        configRecord.EndRecordOffset = c.endRecordOffset;
        configRecord.Flags = c.flags;
        EXPECT_EQ(MeterShowsAtOnce(), c.atOnce);
    }
}

TEST_F(MainDialogRules, BrowseNeedsTheThreeShellFunctionsAndWindows4) {
    FARPROC found = (FARPROC)(uintptr_t)0x1000;
    struct Case {
        const char *name;
        FARPROC browse, getMalloc, getPath;
        int windows4;
        int stays;
    } cases[] = {
        {"all there", found, found, found, 1, 1},
        {"no SHBrowseForFolder", nullptr, found, found, 1, 0},
        {"no SHGetMalloc", found, nullptr, found, 1, 0},
        {"no SHGetPathFromIDList", found, found, nullptr, 1, 0},
        {"no shell library", nullptr, nullptr, nullptr, 1, 0},
        {"before Windows 4", found, found, found, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ctx.browseForFolder = c.browse;
        ctx.getMalloc = c.getMalloc;
        ctx.getPathFromIdList = c.getPath;
        ctx.windows4OrLater = c.windows4;
        EXPECT_EQ(BrowseCanWork(), c.stays);
    }
}

// Only an empty folder is refused: the folder is wide, so no character of
// it is split into bytes (表 is 95 5C in code page 932, whose trail byte an
// ANSI call would read as a separator).
TEST_F(MainDialogRules, FoldersThatUnzipRefuses) {
    struct Case {
        UINT codePage;
        const char16_t *folder;
        const char *problem;   // null: accepted
    } cases[] = {
        {1252, u"", "No folder specified."},
        {1252, u"C:\\OUT", nullptr},
        {932, u"C:\\表\\OUT", nullptr},
        {1252, u"C:\\Démo\\日本", nullptr},
        {932, u"", "No folder specified."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testsupport::Utf8(c.folder));
        Sim().codePage = c.codePage;
        const char *problem = FolderProblem(c.folder);
        if (c.problem)
            EXPECT_STREQ(problem, c.problem);
        else
            EXPECT_EQ(problem, nullptr);
    }
}

}  // namespace
