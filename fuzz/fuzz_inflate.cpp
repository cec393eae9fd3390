// Differential fuzzing of the decoder against zlib. Bit 0 of the first byte
// picks how ours runs:
//   0: memory mode into a 1 MiB destination;
//   1: file mode, the input read through RefillInput in 2048-byte pieces and
//      the output written through FlushWindow's file path, the pass ended by
//      the pump after 1 MiB.
// Bit 1 picks what the input is:
//   0: a raw Deflate stream, the whole input. Whenever zlib decodes it as a
//      complete stream (within 1 MiB), ours must answer success with the
//      same bytes;
//   1: plain data from the fourth byte on, compressed by zlib with the level,
//      strategy and flushes the second and third bytes choose; ours must
//      give the data back.
// For any input ours must end without a crash, a hang or a sanitizer
// report.
//
//   fuzz_inflate -max_len=65536 fuzz/corpus/inflate
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/crc32.h"
#include "base/error_exit.h"
#include "codec/inflate.h"
#include "context/extraction_context.h"
#include "platform/host/host_control.h"
#include "tests/codec/codec_host.h"

namespace {

// File mode writes once per window drain, so the pump that ends the pass
// runs after the first drain beyond the capacity.
enum { kCapacity = 1 << 20, kDrainsBeforeAbort = kCapacity / kWindowSize };

int decodeResult;

void RunDecode() {
    decodeResult = DecodeStream();
}

// What a decode handed on, in a buffer kept from input to input.
struct Output {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kCapacity + 1);
    size_t size = 0;
};

// Ours, memory mode.
int DecodeInMemory(const uint8_t *data, size_t size, Output *out) {
    ctx.inputCursor = data;
    ctx.inputCount = (int32_t)size;
    ctx.outputPointer = out->bytes.data();
    ctx.memoryEnd = out->bytes.data() + kCapacity;
    ctx.memoryMode = 1;
    decodeResult = -1;
    if (GuardedCall(RunDecode) != kGuardDone)
        ReleaseDecodeTables();
    ctx.memoryMode = 0;
    out->size = (size_t)(ctx.outputPointer - out->bytes.data());
    return decodeResult;
}

void Refresh(int fd, const uint8_t *data, size_t size) {
    if (lseek(fd, 0, SEEK_SET) != 0 || ftruncate(fd, (off_t)size) != 0)
        abort();
    if (size > 0 && pwrite(fd, data, size, 0) != (ssize_t)size)
        abort();
}

// Ours, file mode with the real input and output paths.
int DecodeThroughFiles(const uint8_t *data, size_t size, Output *out) {
    static int archive = memfd_create("archive", 0);
    static int output = memfd_create("output", 0);
    Refresh(archive, data, size);
    Refresh(output, nullptr, 0);
    ctx.archiveFile = archive;
    ctx.outputFile = output;
    ctx.memberBytesLeft = (uint32_t)size;
    ctx.inputCount = 0;
    ctx.outputPointer = ctx.outputBuffer;
    ctx.pending = 0;
    ctx.crcRegister = 0xFFFFFFFF;
    hostsim::Sim().pumpCalls = 0;
    hostsim::Sim().abortAtPump = kDrainsBeforeAbort + 1;
    decodeResult = -1;
    int guard = GuardedCall(RunDecode);
    if (guard != kGuardDone)
        ReleaseDecodeTables();
    // Never past the member.
    if (lseek(archive, 0, SEEK_CUR) > (off_t)size)
        abort();
    off_t written = lseek(output, 0, SEEK_CUR);
    if (written < 0 || (size_t)written > kCapacity + kWindowSize)
        abort();
    out->size = 0;
    if (written > (off_t)kCapacity)
        return decodeResult;     // aborted by the pump: longer than any reference
    if (written > 0 && pread(output, out->bytes.data(), (size_t)written, 0) != written)
        abort();
    out->size = (size_t)written;
    if (guard == kGuardDone && out->size + ctx.pending <= out->bytes.size()) {
        memcpy(out->bytes.data() + out->size, ctx.outputBuffer, ctx.pending);
        out->size += ctx.pending;
    }
    return decodeResult;
}

// zlib's answer: true with the output when the input holds a complete
// stream of at most kCapacity bytes.
bool ReferenceDecode(const uint8_t *data, size_t size, Output *out) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = (Bytef *)data;
    z.avail_in = (uInt)size;
    z.next_out = out->bytes.data();
    z.avail_out = (uInt)out->bytes.size();
    int status = inflate(&z, Z_FINISH);
    out->size = z.total_out;
    inflateEnd(&z);
    return status == Z_STREAM_END && out->size <= kCapacity;
}

std::string root;

void RemoveRoot() {
    if (system(("rm -rf '" + root + "'").c_str()) != 0)
        fprintf(stderr, "could not remove %s\n", root.c_str());
}

void SetUpOnce() {
    if (!root.empty())
        return;
    root = codechost::SetUpMachine("fuzz");
    atexit(RemoveRoot);
}

// zlib's stream of data, with a flush of the given kind after every `every`
// bytes (0: none).
std::string Compress(const uint8_t *data, size_t size, int level, int strategy, int flush, size_t every) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy);
    std::string out;
    size_t at = 0;
    int status;
    do {
        size_t piece = every == 0 ? size - at : std::min(every, size - at);
        z.next_in = (Bytef *)data + at;
        z.avail_in = (uInt)piece;
        at += piece;
        int mode = at == size ? Z_FINISH : flush;
        do {
            uint8_t buffer[16384];
            z.next_out = buffer;
            z.avail_out = sizeof buffer;
            status = deflate(&z, mode);
            out.append((const char *)buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    } while (at < size);
    while (status != Z_STREAM_END) {
        uint8_t buffer[16384];
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        status = deflate(&z, Z_FINISH);
        out.append((const char *)buffer, sizeof buffer - z.avail_out);
    }
    deflateEnd(&z);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    SetUpOnce();
    // References before the stream's start read the window; zlib refuses
    // them, but start every input from the same window all the same.
    memset(ctx.inflateWindow, 0, kWindowAllocation);
    static Output ours, reference;
    bool fileMode = size > 0 && (data[0] & 1);
    if (size >= 3 && (data[0] & 2)) {
        static const int flushes[] = {Z_NO_FLUSH, Z_SYNC_FLUSH, Z_FULL_FLUSH, Z_PARTIAL_FLUSH, Z_BLOCK};
        const uint8_t *plain = data + 3;
        size_t plainSize = size - 3;
        std::string stream = Compress(plain, plainSize, data[1] % 10, data[2] % 5, flushes[(data[1] / 10) % 5],
                                      (size_t)(data[2] / 5) * 97);
        std::vector<uint8_t> exact(stream.begin(), stream.end());
        int result = fileMode ? DecodeThroughFiles(exact.data(), exact.size(), &ours)
                              : DecodeInMemory(exact.data(), exact.size(), &ours);
        if (result != kInflateOk || ours.size != plainSize || memcmp(ours.bytes.data(), plain, plainSize) != 0)
            abort();
        return 0;
    }
    int result = fileMode ? DecodeThroughFiles(data, size, &ours) : DecodeInMemory(data, size, &ours);
    if (ReferenceDecode(data, size, &reference)) {
        if (result != kInflateOk || ours.size != reference.size ||
            memcmp(ours.bytes.data(), reference.bytes.data(), ours.size) != 0)
            abort();
    }
    return 0;
}
