// The decoder as the stub ships it beside zlib, both under Wine: this file
// and the decoder are built with the stub's own options (i686, link-time
// optimisation at -Oz, the per-byte loops at -Os, the context in EBX); zlib
// is Debian's mingw build (-O2). Both decode the same raw Deflate stream
// from memory, and both drain their 32 KB window the same way: through
// FlushWindow in memory mode, a copy into one output buffer.
//
//   inflate_speed STREAM DATA [rounds]      (default 5)
//
// The two take turns at going first; each run's output is compared with DATA
// after its timed region. Times are thread CPU times (GetThreadTimes).
// Prints each side's median and range and, last, "time ratio: R", the median
// over the rounds of our time / zlib's time.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include "codec/inflate.h"
#include "codec/window.h"
#include "context/extraction_context.h"

namespace {

unsigned char *ReadWhole(const char *path, size_t *size) {
    FILE *f = fopen(path, "rb");
    if (!f)
        return 0;
    fseek(f, 0, SEEK_END);
    *size = (size_t)ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char *bytes = (unsigned char *)malloc(*size ? *size : 1);
    if (bytes && fread(bytes, 1, *size, f) != *size) {
        free(bytes);
        bytes = 0;
    }
    fclose(f);
    return bytes;
}

double ThreadSeconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    unsigned long long k = ((unsigned long long)kernel.dwHighDateTime << 32) | kernel.dwLowDateTime;
    unsigned long long u = ((unsigned long long)user.dwHighDateTime << 32) | user.dwLowDateTime;
    return (double)(k + u) * 1e-7;
}

void StartDrain(const unsigned char *stream, size_t streamSize, unsigned char *out, size_t outSize) {
    ctx.inputCursor = stream;
    ctx.inputCount = (int32_t)streamSize;
    ctx.memberBytesLeft = 0;
    ctx.outputPointer = out;
    ctx.memoryEnd = out + outSize;
    ctx.pending = 0;
    ctx.memoryMode = 1;
}

bool Ours(const unsigned char *stream, size_t streamSize, unsigned char *out, size_t outSize) {
    StartDrain(stream, streamSize, out, outSize);
    int result = DecodeStream();
    ctx.memoryMode = 0;
    return result == kInflateOk && ctx.outputPointer == out + outSize;
}

bool Zlib(const unsigned char *stream, size_t streamSize, unsigned char *out, size_t outSize) {
    StartDrain(stream, streamSize, out, outSize);
    z_stream z;
    memset(&z, 0, sizeof z);
    inflateInit2(&z, -15);
    z.next_in = (Bytef *)stream;
    z.avail_in = (uInt)streamSize;
    int status;
    do {
        z.next_out = ctx.inflateWindow;
        z.avail_out = kWindowSize;
        status = inflate(&z, Z_NO_FLUSH);
        FlushWindow(kWindowSize - z.avail_out);
    } while (status == Z_OK);
    inflateEnd(&z);
    ctx.memoryMode = 0;
    return status == Z_STREAM_END && ctx.outputPointer == out + outSize;
}

int Compare(const void *a, const void *b) {
    double x = *(const double *)a, y = *(const double *)b;
    return x < y ? -1 : x > y;
}

double Median(double *values, int n, double *low, double *high) {
    double sorted[64];
    memcpy(sorted, values, n * sizeof *values);
    qsort(sorted, n, sizeof *sorted, Compare);
    *low = sorted[0];
    *high = sorted[n - 1];
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

int Run(int argc, char **argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: inflate_speed STREAM DATA [rounds]\n");
        return 2;
    }
    int rounds = argc > 3 ? atoi(argv[3]) : 5;
    if (rounds < 1 || rounds > 64)
        rounds = 5;
    size_t streamSize = 0, dataSize = 0;
    unsigned char *stream = ReadWhole(argv[1], &streamSize);
    unsigned char *data = ReadWhole(argv[2], &dataSize);
    unsigned char *out = (unsigned char *)malloc(dataSize);
    // The buffers the stub's start-up allocates.
    ctx.inflateWindow = (uint8_t *)calloc(kWindowAllocation, 1);
    ctx.inputBuffer = (uint8_t *)calloc(kIoBufferAllocation, 1);
    ctx.outputBuffer = (uint8_t *)calloc(kIoBufferAllocation, 1);
    if (!stream || !data || !out || !ctx.inflateWindow || !ctx.inputBuffer || !ctx.outputBuffer) {
        fprintf(stderr, "inflate_speed: cannot read the inputs\n");
        return 2;
    }
    double ours[64], zlib[64], ratios[64];
    for (int round = 0; round < rounds; round++) {
        for (int turn = 0; turn < 2; turn++) {
            bool oursNow = (turn == 0) == (round % 2 == 0);
            memset(out, 0, dataSize);
            double start = ThreadSeconds();
            bool done = oursNow ? Ours(stream, streamSize, out, dataSize) : Zlib(stream, streamSize, out, dataSize);
            (oursNow ? ours : zlib)[round] = ThreadSeconds() - start;
            if (!done || memcmp(out, data, dataSize) != 0) {
                printf("round %d: %s's output differs from the data\n", round + 1, oursNow ? "ours" : "zlib");
                return 1;
            }
        }
        ratios[round] = ours[round] / zlib[round];
    }
    double mb = (double)dataSize / 1e6, low, high, median;
    printf("data: %u bytes, stream: %u bytes; CPU time under Wine, median (range) of %d:\n", (unsigned)dataSize,
           (unsigned)streamSize, rounds);
    median = Median(ours, rounds, &low, &high);
    printf("  ours %.3f s (%.3f-%.3f), %.1f MB/s\n", median, low, high, mb / median);
    median = Median(zlib, rounds, &low, &high);
    printf("  zlib %.3f s (%.3f-%.3f), %.1f MB/s\n", median, low, high, mb / median);
    median = Median(ratios, rounds, &low, &high);
    printf("ours / zlib per round: median %.3f (%.3f-%.3f)\n", median, low, high);
    printf("time ratio: %.3f\n", median);
    return 0;
}

}  // namespace

// The C runtime calls main with its own EBX, which the rest of this program
// holds for the context: main never returns into the runtime.
int main(int argc, char **argv) {
    SET_CONTEXT_REGISTER();
    int code = Run(argc, argv);
    fflush(stdout);
    ExitProcess((UINT)code);
}
