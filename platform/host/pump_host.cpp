// The host stand-in for the dialog's message pump: there is no queue; it
// counts its calls and answers "abort" at the call the test scripted.
#include "platform/host/host_control.h"
#include "ui/pump.h"

int PumpMessages() {
    hostsim::State &s = hostsim::Sim();
    s.pumpCalls++;
    return s.abortAtPump != 0 && s.pumpCalls == s.abortAtPump;
}
