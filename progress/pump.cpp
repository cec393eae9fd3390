// The pump's rules for each message taken from the queue. The pass runs
// inside the Unzip command, so user input aimed at the dialog must not
// become a command (a second Unzip, Browse...) while the pass holds the
// buffers: a click or a key press turns into the question whether to abort
// instead.
#include "progress/pump.h"

#include "base/error_exit.h"
#include "context/extraction_context.h"
#include "image/resources.h"

enum PumpTreatment {
    kDispatch,           // translated and dispatched as usual
    kWaitCursor,         // the wait cursor stays up; not dispatched
    kAskAbort,           // the abort question when aimed at the dialog
    kAskAbortOnRelease,  // as kAskAbort with the key-released bit set, else dropped
    kDiscard,
};

struct PumpRule {
    UINT message;
    PumpTreatment treatment;
};

static const PumpRule kPumpRules[] = {
    {WM_SETCURSOR, kWaitCursor},      {WM_NCMOUSEMOVE, kWaitCursor},   {WM_MOUSEMOVE, kWaitCursor},
    {WM_KEYDOWN, kAskAbort},          {WM_LBUTTONDOWN, kAskAbort},     {WM_LBUTTONDBLCLK, kAskAbort},
    {WM_NCLBUTTONDOWN, kAskAbort},    {WM_NCLBUTTONDBLCLK, kAskAbort}, {WM_VKEYTOITEM, kAskAbort},
    {WM_CHAR, kAskAbortOnRelease},
};

static const LPARAM kKeyReleasedBit = static_cast<LPARAM>(0x80000000u);
static const UINT kAbortQuestionStyle = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
static_assert(kAbortQuestionStyle == 0x124, "Yes/No, question icon, No as the default");

static PumpTreatment TreatmentOf(const MSG &message) {
    for (const PumpRule &rule : kPumpRules) {
        if (rule.message != message.message)
            continue;
        if (rule.treatment == kAskAbortOnRelease)
            return (message.lParam & kKeyReleasedBit) ? kAskAbort : kDiscard;
        return rule.treatment;
    }
    return kDispatch;
}

// The dialog itself or one of its controls.
static int AimedAtDialog(HWND window) {
    return window == ctx.mainDialog || GetParent(window) == ctx.mainDialog;
}

int EmptyMessageQueue() {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
        switch (TreatmentOf(message)) {
        case kDispatch:
            TranslateMessage(&message);
            DispatchMessageA(&message);
            break;
        case kWaitCursor:
            SetCursor(ctx.waitCursor);
            break;
        case kDiscard:
        case kAskAbortOnRelease:   // resolved by TreatmentOf
            break;
        case kAskAbort:
            // Input aimed at any other window is dropped. After the question
            // the rest of the queue waits for the next call.
            if (AimedAtDialog(message.hwnd))
                return ShowBox(LookupString(kStrAbortQuestion), kAbortQuestionStyle) == IDYES;
            break;
        }
    }
    return 0;
}
