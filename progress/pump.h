// The message pump of a running pass: the only place where the dialog gets
// painted and the meter timer fires meanwhile, and where a click or a key
// press aimed at the dialog turns into the question whether to abort.
#pragma once

// Called after every output write. Empties the message queue once the tick
// count has moved on by kPumpInterval milliseconds since it was last emptied,
// and leaves it alone before: a look at the queue is a round trip to the
// window system, far dearer than one write. Answers 1 when the user
// confirmed the abort question, 0 otherwise.
int PumpMessages();

// Called at the end of every file member: empties the queue whatever the
// tick count says, so that input waiting at a member's end is never carried
// past it. Answers as PumpMessages.
int PumpMessagesNow();

// One emptying of the queue by the pump's rules (progress/pump.cpp): the wait
// cursor on mouse moves, the abort question for clicks and keys aimed at the
// dialog, everything else dispatched. Answers 1 when the user confirmed the
// abort question, 0 otherwise; after the question the rest of the queue
// waits for the next call.
int EmptyMessageQueue();

enum PumpTiming {
    kPumpInterval = 10,   // milliseconds: well below what a user notices
};
