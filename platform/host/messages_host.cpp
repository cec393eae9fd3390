// The message queue on the host: what a test put into Sim().messages comes
// out in order; dispatching records the message instead of calling a window
// procedure. Windows are plain handles whose parents the test names.
#include "platform/host/sim_internal.h"

using namespace hostsim;

BOOL PeekMessageA(MSG *message, HWND window, UINT first, UINT last, UINT remove) {
    // The pump asks for any message of any window and removes it.
    (void)window, (void)first, (void)last;
    State &s = Sim();
    if (s.messages.empty())
        return FALSE;
    *message = s.messages.front();
    if (remove & PM_REMOVE)
        s.messages.pop_front();
    return TRUE;
}

BOOL TranslateMessage(const MSG *message) {
    (void)message;
    Sim().translated++;
    return FALSE;
}

LRESULT DispatchMessageA(const MSG *message) {
    Sim().dispatched.push_back(*message);
    return 0;
}

HWND GetParent(HWND window) {
    auto found = Sim().parents.find(window);
    return found == Sim().parents.end() ? nullptr : found->second;
}
