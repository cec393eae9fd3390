// When the pass looks at the message queue. GetTickCount answers from memory
// the system keeps current, without a round trip, so asking it after every
// write costs next to nothing.
#include "context/extraction_context.h"
#include "progress/pump.h"

int PumpMessages() {
    // Unsigned difference: right across the tick count's wrap after 49.7 days.
    if (GetTickCount() - ctx.lastPumpTick < kPumpInterval)
        return 0;
    return PumpMessagesNow();
}

int PumpMessagesNow() {
    ctx.lastPumpTick = GetTickCount();
    return EmptyMessageQueue();
}
