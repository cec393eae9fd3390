// The ResourceBlock expansion through the extractor's own decoder: the
// lasting block, the overflow sentinel, the code-page conversion, the
// failures, and the password dialog template handed to the dialog.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "base/error_exit.h"
#include "codec/inflate.h"
#include "image/resource_data.h"
#include "image/resources.h"
#include "tests/resources/raw_deflate.h"
#include "tests/support/test_support.h"

namespace {

class ResourceExpansion : public ::testing::Test {
protected:
    void SetUp() override { root = testsupport::FreshMachine("resources"); }
    void TearDown() override { testsupport::ReleaseMachine(root); }

    // Drops the block FreshMachine expanded, so a test can expand its own.
    void DropBlock() {
        GlobalFree(GlobalHandle(ctx.resourceBlock));
        ctx.resourceBlock = nullptr;
        hostsim::Sim().oemConversions.clear();
    }

    std::string root;
};

Bytes Reference(const uint8_t *stream, uint32_t size) {
    size_t consumed = 0;
    return InflateRaw(stream, size, &consumed);
}

void ExpectHeaderCorruptBox() {
    const auto &transcript = hostsim::Sim().transcript;
    ASSERT_EQ(transcript.size(), 1u);
    EXPECT_EQ(transcript[0].text, kHeaderCorruptText);
    EXPECT_EQ(transcript[0].caption, kCaption);
    EXPECT_EQ(transcript[0].style, (UINT)MB_ICONERROR);
}

TEST_F(ResourceExpansion, LastingBlockHoldsTheExpansionAndTheSentinel) {
    Bytes expected = Reference(compressedResourceBlock, compressedResourceBlockSize);
    ASSERT_EQ(expected.size(), expandedResourceBlockSize);
    expected.resize(kResourceBufferSize);
    expected[kResourceSentinelAt] = kSentinelFirst;
    expected[kResourceSentinelAt + 1] = kSentinelSecond;
    ASSERT_NE(ctx.resourceBlock, nullptr);
    EXPECT_EQ(Bytes(ctx.resourceBlock, ctx.resourceBlock + kResourceBufferSize), expected);

    const uint8_t *dialogTemplate = (const uint8_t *)LookupString(kMainDialogTemplate);
    EXPECT_EQ(Bytes(dialogTemplate, dialogTemplate + 4), (Bytes{0xC4, 0x00, 0xC8, 0x90}));
    for (int unlisted : {26, 41, 42})
        EXPECT_STREQ(LookupString(unlisted), "") << unlisted;
    EXPECT_STREQ(LookupString(kStrNoPassword), "No password specified");
    EXPECT_STREQ(LookupString(kStrThisSelfExtractor), "this self-extractor file");

    // The conversion covers the strings and stops where the UTF-16 template begins.
    EXPECT_EQ(hostsim::Sim().oemConversions, std::vector<DWORD>{resourceOffsets[kMainDialogTemplate]});
    EXPECT_EQ(ctx.memoryMode, 0);
    EXPECT_EQ(ctx.inputCursor, nullptr);
    EXPECT_TRUE(hostsim::Sim().transcript.empty());
}

Bytes testStream;
uint32_t testStringArea;

void ExpandTestStream() {
    ExpandResourceStream(testStream.data(), (uint32_t)testStream.size(), testStringArea);
}

// size bytes of letters whose first stringArea bytes end in `nuls` NULs:
// one long string, then empty ones.
Bytes ContentWithStrings(size_t size, uint32_t stringArea, uint32_t nuls) {
    Bytes content(size);
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = (uint8_t)('A' + i % 26);
    for (uint32_t i = stringArea - nuls; i < stringArea; ++i)
        content[i] = 0;
    return content;
}

TEST_F(ResourceExpansion, SentinelAcceptsExactlyTheContentLimit) {
    static const struct {
        size_t expandedSize;
        int code;
    } cases[] = {
        {kResourceContentLimit - 1, kGuardDone},
        {kResourceContentLimit, kGuardDone},
        {kResourceContentLimit + 1, kGuardFailed},   // first sentinel byte overwritten
        {kResourceBufferSize, kGuardFailed},
        {3 * kResourceBufferSize, kGuardFailed},     // far longer than the buffer
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expandedSize);
        DropBlock();
        hostsim::Sim().transcript.clear();
        testStringArea = 100;
        Bytes content = ContentWithStrings(c.expandedSize, testStringArea, kResourceStringCount);
        testStream = DeflateRaw(content);

        EXPECT_EQ(GuardedCall(ExpandTestStream), c.code);
        if (c.code == kGuardDone) {
            ASSERT_NE(ctx.resourceBlock, nullptr);
            EXPECT_EQ(Bytes(ctx.resourceBlock, ctx.resourceBlock + content.size()), content);
            EXPECT_EQ(hostsim::Sim().oemConversions, std::vector<DWORD>{testStringArea});
            EXPECT_TRUE(hostsim::Sim().transcript.empty());
        } else {
            EXPECT_EQ(ctx.resourceBlock, nullptr);
            EXPECT_TRUE(hostsim::Sim().oemConversions.empty());
            ExpectHeaderCorruptBox();
        }
        EXPECT_EQ(ctx.memoryMode, 0);
    }
}

// The strings are found in the expansion: 52 of them must end exactly where
// the string area ends, or the block is not the one the stub was built with.
TEST_F(ResourceExpansion, StringAreaMustHoldExactlyTheStrings) {
    static const struct {
        const char *what;
        uint32_t nuls;           // NULs that end the string area
        bool letterAtTheEnd;     // the area's last byte is not a NUL
        int code;
    } cases[] = {
        {"52 strings", kResourceStringCount, false, kGuardDone},
        {"51 strings", kResourceStringCount - 1, false, kGuardFailed},
        {"53 strings", kResourceStringCount + 1, false, kGuardFailed},
        {"area ends in a letter", kResourceStringCount, true, kGuardFailed},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        DropBlock();
        hostsim::Sim().transcript.clear();
        testStringArea = 300;
        Bytes content = ContentWithStrings(1000, testStringArea - (c.letterAtTheEnd ? 1 : 0), c.nuls);
        testStream = DeflateRaw(content);
        EXPECT_EQ(GuardedCall(ExpandTestStream), c.code);
        if (c.code == kGuardDone) {
            EXPECT_EQ(LookupString(0), (const char *)ctx.resourceBlock);
            EXPECT_EQ(strlen(LookupString(0)), testStringArea - kResourceStringCount);
            EXPECT_EQ(LookupString(1), LookupString(0) + strlen(LookupString(0)) + 1);
            EXPECT_STREQ(LookupString(kResourceStringCount - 1), "");
            EXPECT_EQ(LookupString(kMainDialogTemplate), (const char *)ctx.resourceBlock + testStringArea);
        } else {
            EXPECT_EQ(ctx.resourceBlock, nullptr);
            ExpectHeaderCorruptBox();
        }
    }
}

TEST_F(ResourceExpansion, MissingBuffersEndInHeaderCorrupt) {
    // The working buffer, and the lasting block the lookups depend on.
    for (hostsim::FaultOp op : {hostsim::kFaultLocalAlloc, hostsim::kFaultGlobalAlloc}) {
        SCOPED_TRACE(op);
        DropBlock();
        hostsim::Sim().transcript.clear();
        hostsim::Sim().failAt[op] = hostsim::Sim().calls[op] + 1;
        EXPECT_EQ(GuardedCall(ExpandResourceBlock), kGuardFailed);
        EXPECT_EQ(ctx.resourceBlock, nullptr);
        ExpectHeaderCorruptBox();
        hostsim::Sim().failAt[op] = 0;
    }
}

INT_PTR CALLBACK PasswordProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

INT_PTR passwordResult;

void RunPassword() {
    passwordResult = RunPasswordTemplate(nullptr, PasswordProc);
}

TEST_F(ResourceExpansion, PasswordTemplateIsHandedOverWhole) {
    hostsim::Sim().dialogResult = IDOK;
    EXPECT_EQ(RunPasswordTemplate(nullptr, PasswordProc), IDOK);

    Bytes expected = Reference(compressedPasswordTemplate, compressedPasswordTemplateSize);
    ASSERT_EQ(expected.size(), 414u);
    expected.resize(kPasswordBufferSize);
    ASSERT_EQ(hostsim::Sim().dialogTemplates.size(), 1u);
    EXPECT_EQ(hostsim::Sim().dialogTemplates[0], expected);
    EXPECT_EQ(ctx.memoryMode, 0);
    EXPECT_EQ(ctx.inputCursor, nullptr);
    EXPECT_EQ(ctx.outputPointer, nullptr);
    // The ResourceBlock's own conversion only: the template is not converted.
    EXPECT_EQ(hostsim::Sim().oemConversions.size(), 1u);
}

TEST_F(ResourceExpansion, PasswordTemplateWithoutMemory) {
    hostsim::Sim().dialogResult = IDOK;

    // No block for the dialog: no dialog, result 0.
    hostsim::Sim().failAt[hostsim::kFaultGlobalAlloc] = hostsim::Sim().calls[hostsim::kFaultGlobalAlloc] + 1;
    passwordResult = -1;
    EXPECT_EQ(GuardedCall(RunPassword), kGuardDone);
    EXPECT_EQ(passwordResult, 0);
    EXPECT_TRUE(hostsim::Sim().dialogTemplates.empty());
    EXPECT_TRUE(hostsim::Sim().transcript.empty());

    // No working buffer, or no decode tables: the error box, and the exit
    // comes back to the owner's own guard, which ends the owner and keeps
    // the exit for start-up. The caller's guard sees a normal return.
    struct Case {
        unsigned allocation;   // counted from the first of this call
        const char *box;
    } cases[] = {{1, "no memory for resources"}, {2, "not enough memory"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.box);
        hostsim::State &sim = hostsim::Sim();
        sim.transcript.clear();
        sim.endedDialogs.clear();
        ctx.keptExitCode = 0;
        sim.failAt[hostsim::kFaultLocalAlloc] = sim.calls[hostsim::kFaultLocalAlloc] + c.allocation;
        passwordResult = -1;
        EXPECT_EQ(GuardedCall(RunPassword), kGuardDone);
        EXPECT_EQ(passwordResult, 0);
        EXPECT_TRUE(sim.dialogTemplates.empty());
        ASSERT_EQ(sim.transcript.size(), 1u);
        EXPECT_EQ(sim.transcript[0].text, c.box);
        EXPECT_EQ(sim.transcript[0].style, (UINT)MB_ICONERROR);
        EXPECT_EQ(ctx.keptExitCode, kGuardFailed);
        EXPECT_EQ(sim.endedDialogs.size(), 1u);
        EXPECT_EQ(ctx.passwordTemplate, nullptr);
    }
    ReleaseDecodeTables();
}

}  // namespace
