// The one-line progress display of a long build: members done, bytes done
// of the total and the rate, redrawn in place on stderr at most a few times
// a second. Shown only on a terminal, only for inputs of a few megabytes or
// more, and never with --quiet.
#pragma once
#include <stdint.h>

#include <chrono>

struct Progress {
    bool wanted = true;     // false with --quiet
    bool shown = false;
    uint64_t totalMembers = 0;
    uint64_t totalBytes = 0;
    uint64_t members = 0;
    uint64_t bytes = 0;
    int lineLength = 0;
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point lastDrawn;
};

enum : uint64_t { kProgressThreshold = 4u << 20 };   // "a few megabytes"

// Starts counting towards the totals; shows the display when it is wanted,
// stderr is a terminal and totalBytes reaches the threshold.
void StartProgress(Progress &progress, uint64_t totalMembers, uint64_t totalBytes);

// One more member of `bytes` bytes done.
void AdvanceProgress(Progress &progress, uint64_t bytes);

// Clears the line, so that what follows starts on a clean one.
void EndProgress(Progress &progress);
