// The message pump that runs after every output write during a pass.
#pragma once

// Empties the message queue. Answers 1 when the user confirmed the abort
// question, 0 otherwise.
int PumpMessages();
