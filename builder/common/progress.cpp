#include "builder/common/progress.h"

#include <stdio.h>

#include "builder/common/system.h"

using Clock = std::chrono::steady_clock;

static const auto kRedrawInterval = std::chrono::milliseconds(200);

static double Megabytes(uint64_t bytes) {
    return (double)bytes / (1024.0 * 1024.0);
}

static void Draw(Progress &progress) {
    double seconds = std::chrono::duration<double>(Clock::now() - progress.start).count();
    double rate = seconds > 0 ? Megabytes(progress.bytes) / seconds : 0;
    char line[160];
    int length = snprintf(line, sizeof line, "mksfx: %llu/%llu members, %.1f of %.1f MiB, %.1f MiB/s",
                          (unsigned long long)progress.members, (unsigned long long)progress.totalMembers,
                          Megabytes(progress.bytes), Megabytes(progress.totalBytes), rate);
    // Blanks over whatever is left of a longer line before (no terminal
    // escapes: not every Windows console takes them).
    fprintf(stderr, "\r%s%*s", line, progress.lineLength > length ? progress.lineLength - length : 0, "");
    progress.lineLength = length;
    fflush(stderr);
    progress.lastDrawn = Clock::now();
}

void StartProgress(Progress &progress, uint64_t totalMembers, uint64_t totalBytes) {
    bool wanted = progress.wanted;
    progress = Progress();
    progress.wanted = wanted;
    progress.totalMembers = totalMembers;
    progress.totalBytes = totalBytes;
    progress.start = Clock::now();
    progress.shown = wanted && totalBytes >= kProgressThreshold && IsTerminal(stderr);
    if (progress.shown)
        Draw(progress);
}

void AdvanceProgress(Progress &progress, uint64_t bytes) {
    progress.members++;
    progress.bytes += bytes;
    if (progress.shown && (Clock::now() - progress.lastDrawn >= kRedrawInterval ||
                           progress.members == progress.totalMembers))
        Draw(progress);
}

void EndProgress(Progress &progress) {
    if (progress.shown) {
        fprintf(stderr, "\r%*s\r", progress.lineLength, "");
        fflush(stderr);
    }
    progress.shown = false;
}
