// The host stand-in for when the pass pumps: the pass tests need no queue,
// only the points where the pump runs. It counts the calls after writes and
// at members' ends, and answers "abort" at the call the test scripted. The
// pump's rules themselves (progress/pump.cpp) run on the host against the
// simulated queue of messages_host.cpp.
#include "platform/host/host_control.h"
#include "progress/pump.h"

int PumpMessages() {
    hostsim::State &s = hostsim::Sim();
    s.pumpCalls++;
    return s.abortAtPump != 0 && s.pumpCalls == s.abortAtPump;
}

DWORD GetTickCount() {
    hostsim::State &s = hostsim::Sim();
    DWORD now = s.tickCount;
    s.tickCount += s.tickStep;
    return now;
}

int PumpMessagesNow() {
    hostsim::State &s = hostsim::Sim();
    s.memberEndPumps++;
    return s.abortAtMemberEnd != 0 && s.memberEndPumps == s.abortAtMemberEnd;
}
