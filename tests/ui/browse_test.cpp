// Browse with fakes behind the shell's three folder functions: what the
// browser is given, where a chosen folder goes, and that the allocator gets
// back what it handed out, also when it could not be had at all.
#include <gtest/gtest.h>
#include <string.h>

#include "platform/shell.h"
#include "tests/support/test_support.h"
#include "ui/folders.h"

using hostsim::Sim;

namespace {

const HWND kDialog = (HWND)(uintptr_t)0x5000;
ITEMIDLIST chosenItem;

struct FakeAllocator : IMalloc {
    std::vector<void *> freed;
    int released = 0;
    void Free(void *block) override { freed.push_back(block); }
    unsigned long Release() override { return (unsigned long)++released; }
};

// What the fakes answer and what they saw.
FakeAllocator allocator;
HRESULT mallocAnswer;
LPITEMIDLIST browserAnswer;
BOOL pathAnswer;
int browsed;
BROWSEINFOW browseInfo;
std::string browseTitle;   // the title as the browser got it (its buffer is gone afterwards)

HRESULT FakeGetMalloc(IMalloc **out) {
    if (mallocAnswer == S_OK)
        *out = &allocator;
    return mallocAnswer;
}

LPITEMIDLIST FakeBrowseForFolder(LPBROWSEINFOW info) {
    browsed++;
    browseInfo = *info;
    browseTitle = testsupport::Utf8(info->lpszTitle);
    return browserAnswer;
}

// The wide browser answers every character of the folder chosen.
BOOL FakeGetPathFromIdList(LPCITEMIDLIST list, LPWSTR path) {
    EXPECT_EQ(list, &chosenItem);
    if (pathAnswer)
        MultiByteToWideChar(CP_UTF8, 0, "C:\\Выбор\\日本", -1, path, MAX_PATH);
    return pathAnswer;
}

class Browse : public ::testing::Test {
protected:
    void SetUp() override {
        root = testsupport::FreshMachine("browse");
        ctx.getMalloc = (FARPROC)(void (*)())FakeGetMalloc;
        ctx.browseForFolder = (FARPROC)(void (*)())FakeBrowseForFolder;
        ctx.getPathFromIdList = (FARPROC)(void (*)())FakeGetPathFromIdList;
    }
    void TearDown() override { testsupport::ReleaseMachine(root); }
    std::string root;
};

TEST_F(Browse, ChoosesCancelsOrDoesNothing) {
    struct Case {
        const char *name;
        HRESULT malloc;
        LPITEMIDLIST chosen;
        BOOL path;
        int browsed;
        const char *folder;    // destinationFolder afterwards
        bool editSet;
        size_t freed;
        int released;
    } cases[] = {
        {"SHGetMalloc fails", E_FAIL, &chosenItem, TRUE, 0, "C:\\BEFORE", false, 0, 0},
        {"cancelled", S_OK, nullptr, TRUE, 1, "C:\\BEFORE", false, 0, 1},
        {"chosen", S_OK, &chosenItem, TRUE, 1, "C:\\Выбор\\日本", true, 1, 1},
        {"no path for the choice", S_OK, &chosenItem, FALSE, 1, "C:\\BEFORE", false, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        allocator.freed.clear();
        allocator.released = 0;
        mallocAnswer = c.malloc;
        browserAnswer = c.chosen;
        pathAnswer = c.path;
        browsed = 0;
        Sim().controlTexts.clear();
        testsupport::SetDestination("C:\\BEFORE");

        BrowseForDestination(kDialog);

        EXPECT_EQ(browsed, c.browsed);
        EXPECT_EQ(testsupport::Utf8(ctx.destinationFolder), c.folder);
        EXPECT_EQ(Sim().controlTexts.count(106), c.editSet ? 1u : 0u);
        if (c.editSet) {
            EXPECT_EQ(Sim().controlTexts[106], c.folder);
        }
        EXPECT_EQ(allocator.freed.size(), c.freed);
        if (c.freed) {
            EXPECT_EQ(allocator.freed[0], (void *)&chosenItem);
        }
        EXPECT_EQ(allocator.released, c.released);
    }
}

TEST_F(Browse, TheBrowserIsAskedForFileSystemFoldersFromTheDesktop) {
    mallocAnswer = S_OK;
    browserAnswer = nullptr;
    BrowseForDestination(kDialog);
    EXPECT_EQ(browseInfo.hwndOwner, kDialog);
    EXPECT_EQ(browseInfo.pidlRoot, nullptr);
    EXPECT_NE(browseInfo.pszDisplayName, nullptr);
    EXPECT_EQ(browseTitle, "Unzip to Folder:");
    EXPECT_EQ(browseInfo.ulFlags, 9u);
    EXPECT_EQ(browseInfo.lpfn, nullptr);
    EXPECT_EQ(browseInfo.lParam, 0);
}

}  // namespace
