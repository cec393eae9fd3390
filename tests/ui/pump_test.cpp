// The pump's rules, message kind by message kind, against the simulated
// queue: what is dispatched, what keeps the wait cursor up, what asks whether
// to abort, and what is dropped.
#include <gtest/gtest.h>

#include "base/error_exit.h"
#include "progress/pump.h"
#include "tests/support/test_support.h"

using hostsim::Sim;

namespace {

const HWND kDialog = (HWND)(uintptr_t)0x5000;
const HWND kControl = (HWND)(uintptr_t)0x5106;    // a child of the dialog
const HWND kOther = (HWND)(uintptr_t)0x6000;      // another top-level window
const HWND kOthersChild = (HWND)(uintptr_t)0x6001;
const HCURSOR kWait = (HCURSOR)(uintptr_t)0x7001;
const LPARAM kReleased = (LPARAM)0x80000000u;     // WM_CHAR's bit 31

MSG Message(HWND window, UINT message, LPARAM lParam = 0) {
    MSG m = {};
    m.hwnd = window;
    m.message = message;
    m.lParam = lParam;
    return m;
}

class Pump : public ::testing::Test {
protected:
    void SetUp() override {
        root = testsupport::FreshMachine("pump");
        ctx.mainDialog = kDialog;
        ctx.waitCursor = kWait;
        Sim().parents = {{kControl, kDialog}, {kOthersChild, kOther}};
    }
    void TearDown() override { testsupport::ReleaseMachine(root); }
    std::string root;
};

enum Outcome { kDispatched, kWaitCursor, kAsked, kDropped };

// Each message waits in front of a WM_PAINT; No is the answer to any
// question. Asking leaves the paint waiting for the next call; every other
// outcome goes on to dispatch it.
TEST_F(Pump, EachMessageKindByItsRule) {
    struct Case {
        const char *name;
        MSG message;
        Outcome outcome;
    } cases[] = {
        {"WM_CHAR, key released", Message(kControl, WM_CHAR, kReleased | 1), kAsked},
        {"WM_CHAR, key pressed", Message(kControl, WM_CHAR, 1), kDropped},
        {"WM_KEYDOWN on a control", Message(kControl, WM_KEYDOWN), kAsked},
        {"WM_KEYDOWN on the dialog", Message(kDialog, WM_KEYDOWN), kAsked},
        {"click on a control", Message(kControl, WM_LBUTTONDOWN), kAsked},
        {"double click on a control", Message(kControl, WM_LBUTTONDBLCLK), kAsked},
        {"click on the caption", Message(kDialog, WM_NCLBUTTONDOWN), kAsked},
        {"double click on the caption", Message(kDialog, WM_NCLBUTTONDBLCLK), kAsked},
        {"WM_VKEYTOITEM", Message(kDialog, WM_VKEYTOITEM), kAsked},
        {"click on another window", Message(kOther, WM_LBUTTONDOWN), kDropped},
        {"click on another window's child", Message(kOthersChild, WM_LBUTTONDOWN), kDropped},
        {"caption click on another window", Message(kOther, WM_NCLBUTTONDOWN), kDropped},
        {"key on another window", Message(kOther, WM_KEYDOWN), kDropped},
        {"released WM_CHAR on another window", Message(kOther, WM_CHAR, kReleased), kDropped},
        {"WM_VKEYTOITEM on another window", Message(kOther, WM_VKEYTOITEM), kDropped},
        {"mouse move", Message(kControl, WM_MOUSEMOVE), kWaitCursor},
        {"mouse move over the frame", Message(kDialog, WM_NCMOUSEMOVE), kWaitCursor},
        {"WM_SETCURSOR", Message(kDialog, WM_SETCURSOR), kWaitCursor},
        {"mouse move over another window", Message(kOther, WM_MOUSEMOVE), kWaitCursor},
        {"WM_TIMER", Message(kDialog, WM_TIMER), kDispatched},
        {"WM_COMMAND posted", Message(kDialog, WM_COMMAND), kDispatched},
        {"key released", Message(kControl, WM_KEYUP), kDispatched},
        {"button released", Message(kControl, WM_LBUTTONUP), kDispatched},
        {"right click", Message(kControl, WM_RBUTTONDOWN), kDispatched},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        hostsim::State &s = Sim();
        s.messages = {c.message, Message(kDialog, WM_PAINT)};
        s.dispatched.clear();
        s.translated = 0;
        s.transcript.clear();
        s.cursor = nullptr;
        s.answers = {IDNO};

        EXPECT_EQ(EmptyMessageQueue(), 0);

        std::vector<UINT> dispatched;
        for (const MSG &m : s.dispatched)
            dispatched.push_back(m.message);
        EXPECT_EQ(s.translated, dispatched.size()) << "each dispatched message is translated first";
        EXPECT_EQ(s.cursor, c.outcome == kWaitCursor ? kWait : nullptr);
        if (c.outcome == kAsked) {
            ASSERT_EQ(s.transcript.size(), 1u);
            EXPECT_EQ(s.transcript[0].text, "Abort unzip operation?");
            EXPECT_EQ(s.transcript[0].caption, "Tarvex Self-Extractor");
            EXPECT_EQ(s.transcript[0].style, 0x124u);
            EXPECT_EQ(s.transcript[0].owner, kDialog);
            EXPECT_TRUE(dispatched.empty());
            ASSERT_EQ(s.messages.size(), 1u) << "the rest of the queue waits";
            EXPECT_EQ(s.messages[0].message, (UINT)WM_PAINT);
        } else {
            EXPECT_TRUE(s.transcript.empty());
            EXPECT_TRUE(s.messages.empty());
            std::vector<UINT> expected;
            if (c.outcome == kDispatched)
                expected.push_back(c.message.message);
            expected.push_back(WM_PAINT);
            EXPECT_EQ(dispatched, expected);
        }
    }
}

// Yes ends the pump with 1 at once; No with 0, and the next call carries on
// with the queue where the question left it.
TEST_F(Pump, TheAnswerDecidesAndTheQueueWaits) {
    hostsim::State &s = Sim();
    s.messages = {Message(kDialog, WM_TIMER), Message(kControl, WM_LBUTTONDOWN), Message(kControl, WM_KEYDOWN),
                  Message(kDialog, WM_PAINT)};
    s.answers = {IDNO, IDYES};
    EXPECT_EQ(EmptyMessageQueue(), 0);
    EXPECT_EQ(s.dispatched.size(), 1u);
    EXPECT_EQ(s.messages.size(), 2u);
    EXPECT_EQ(EmptyMessageQueue(), 1);
    EXPECT_EQ(s.transcript.size(), 2u);
    EXPECT_EQ(s.dispatched.size(), 1u) << "neither the click nor the key is dispatched";
    ASSERT_EQ(s.messages.size(), 1u);
    EXPECT_EQ(s.messages[0].message, (UINT)WM_PAINT);
    EXPECT_EQ(EmptyMessageQueue(), 0);
    EXPECT_TRUE(s.messages.empty());
}

}  // namespace
