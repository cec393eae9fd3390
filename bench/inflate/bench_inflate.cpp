// The decoder's throughput beside zlib's on one ~200 MB raw Deflate stream
// (text and binaries from /usr/share and /usr/lib, compressed by zlib at its
// default level). Both decoders read the same stream from memory and do the
// same work in each of two settings:
//
// - through the extractor's output path: each decoder's output, window by
//   window, goes through FlushWindow in file mode (the CRC-32, the progress
//   count and the meter marks, the writes and the message pump after each
//   write) into the same sink, a memory file emptied before each run. The
//   host build's message pump is the simulated layer's stand-in, which only
//   counts its calls: there is no message queue on the host;
// - into memory, the decoder alone: into one buffer, cleared before each run.
//
// Each run's output is compared with the data after its timed region.
//
//   bench_inflate [megabytes] [rounds]      (default 200 and 5)
//
// Times are thread CPU time; the two take turns at going first. Prints each
// side's median and range and the per-round ratios; the last line is
// "time ratio: R", the median over the rounds of our time / zlib's time
// through the output path.
#include <dirent.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "archive/flush_output.h"
#include "base/crc32.h"
#include "base/error_exit.h"
#include "codec/inflate.h"
#include "codec/window.h"
#include "context/extraction_context.h"
#include "platform/host/host_control.h"
#include "tests/codec/codec_host.h"

namespace {

bool Compressed(const std::string &name) {
    static const char *const endings[] = {".gz", ".xz", ".bz2", ".zst", ".png", ".jpg", ".zip", ".jar", ".lz4"};
    for (const char *ending : endings) {
        size_t n = strlen(ending);
        if (name.size() >= n && name.compare(name.size() - n, n, ending) == 0)
            return true;
    }
    return false;
}

// Regular files below a folder, in name order, not already compressed.
void ListFiles(const std::string &folder, std::vector<std::string> *files, size_t limit) {
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> names;
    while (dirent *entry = readdir(dir))
        if (entry->d_name[0] != '.')
            names.push_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        if (files->size() >= limit)
            return;
        std::string path = folder + "/" + name;
        struct stat info;
        if (lstat(path.c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            ListFiles(path, files, limit);
        else if (S_ISREG(info.st_mode) && info.st_size > 0 && info.st_size < (8 << 20) && !Compressed(name))
            files->push_back(path);
    }
}

std::string ReadWhole(const std::string &path) {
    std::string bytes;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char piece[65536];
    size_t n;
    while ((n = fread(piece, 1, sizeof piece, f)) > 0)
        bytes.append(piece, n);
    fclose(f);
    return bytes;
}

// Text and binaries taken by turns until `size` bytes.
std::string SampleData(size_t size) {
    std::vector<std::string> text, binary;
    ListFiles("/usr/share", &text, 200000);
    ListFiles("/usr/lib", &binary, 200000);
    std::string data;
    size_t t = 0, b = 0;
    size_t textBytes = 0, binaryBytes = 0;
    while (data.size() < size && (t < text.size() || b < binary.size())) {
        bool takeText = b >= binary.size() || (t < text.size() && textBytes <= binaryBytes);
        std::string bytes = ReadWhole(takeText ? text[t++] : binary[b++]);
        (takeText ? textBytes : binaryBytes) += bytes.size();
        data += bytes;
    }
    data.resize(std::min(size, data.size()));
    return data;
}

// CPU time of this thread: the machine may be shared, and waiting for a
// core is not the decoder's time.
double Now() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

int decodeResult;

void RunDecode() {
    decodeResult = DecodeStream();
}

// The output path's state at the start of a member, with its input in memory.
void StartMember(const std::string &stream, int sink) {
    ctx.inputCursor = (const uint8_t *)stream.data();
    ctx.inputCount = (int32_t)stream.size();
    ctx.memberBytesLeft = 0;        // nothing more to read from an archive file
    ctx.outputFile = sink;
    ctx.outputPointer = ctx.outputBuffer;
    ctx.pending = 0;
    ctx.memoryMode = 0;
    ctx.crcRegister = 0xFFFFFFFF;
    ctx.bytesWritten = 0;
    ctx.lastMeterMark = 0;
}

// What ExtractMember does after the decode: the last partial piece; answers
// the CRC-32.
uint32_t FinishMember() {
    WriteOutputBytes(ctx.outputBuffer, ctx.pending);
    ctx.pending = 0;
    return ~ctx.crcRegister;
}

// Ours in file mode: the window drains through FlushWindow.
uint32_t OursThroughOutput(const std::string &stream, int sink) {
    StartMember(stream, sink);
    if (GuardedCall(RunDecode) != kGuardDone || decodeResult != kInflateOk)
        return 0;
    return FinishMember();
}

// zlib through the same output path: it decodes into the window, each call
// up to a window's worth, and the window drains through FlushWindow.
uint32_t ZlibThroughOutput(const std::string &stream, int sink) {
    StartMember(stream, sink);
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = (Bytef *)stream.data();
    z.avail_in = (uInt)stream.size();
    int status;
    do {
        z.next_out = ctx.inflateWindow;
        z.avail_out = kWindowSize;
        status = inflate(&z, Z_NO_FLUSH);
        FlushWindow(kWindowSize - z.avail_out);
    } while (status == Z_OK);
    inflateEnd(&z);
    return status == Z_STREAM_END ? FinishMember() : 0;
}

// Ours, memory mode: the decoder alone.
bool OursIntoMemory(const std::string &stream, std::vector<uint8_t> &out) {
    ctx.inputCursor = (const uint8_t *)stream.data();
    ctx.inputCount = (int32_t)stream.size();
    ctx.outputPointer = out.data();
    ctx.memoryEnd = out.data() + out.size();
    ctx.memoryMode = 1;
    GuardedCall(RunDecode);
    ctx.memoryMode = 0;
    return decodeResult == kInflateOk;
}

bool ZlibIntoMemory(const std::string &stream, std::vector<uint8_t> &out) {
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = (Bytef *)stream.data();
    z.avail_in = (uInt)stream.size();
    z.next_out = out.data();
    z.avail_out = (uInt)out.size();
    int status = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return status == Z_STREAM_END;
}

void EmptySink(int sink) {
    if (ftruncate(sink, 0) != 0 || lseek(sink, 0, SEEK_SET) != 0) {
        perror("sink");
        exit(1);
    }
}

bool SinkHolds(int sink, const std::string &data, std::vector<uint8_t> &scratch) {
    struct stat info;
    if (fstat(sink, &info) != 0 || (size_t)info.st_size != data.size())
        return false;
    return pread(sink, scratch.data(), data.size(), 0) == (ssize_t)data.size() &&
           memcmp(scratch.data(), data.data(), data.size()) == 0;
}

struct Side {
    const char *name;
    std::vector<double> times;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void PrintSide(const Side &side, double megabytes) {
    double median = Median(side.times);
    printf("  %-5s %.3f s (%.3f-%.3f), %.1f MB/s\n", side.name, median,
           *std::min_element(side.times.begin(), side.times.end()),
           *std::max_element(side.times.begin(), side.times.end()), megabytes / median);
}

// Per-round ratios ours / zlib: prints them and answers their median.
double PrintRatios(const char *what, const Side &ours, const Side &zlib) {
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.times.size(); i++)
        ratios.push_back(ours.times[i] / zlib.times[i]);
    double median = Median(ratios);
    printf("%s, ours / zlib per round: median %.3f (%.3f-%.3f)\n", what, median,
           *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()));
    return median;
}

}  // namespace

int main(int argc, char **argv) {
    size_t megabytes = argc > 1 ? (size_t)atol(argv[1]) : 200;
    int rounds = argc > 2 ? atoi(argv[2]) : 5;
    if (rounds < 1)
        rounds = 1;
    std::string data = SampleData(megabytes << 20);
    std::string stream = codechost::RawDeflate(data, Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY);
    uint32_t expectedCrc = (uint32_t)crc32(0, (const Bytef *)data.data(), (uInt)data.size());
    printf("data: %zu bytes, stream: %zu bytes (zlib level 6)\n", data.size(), stream.size());

    std::string folder = codechost::SetUpMachine("bench");
    int sink = memfd_create("sink", 0);
    if (sink < 0) {
        perror("memfd_create");
        return 1;
    }
    std::vector<uint8_t> memory(data.size());
    std::vector<uint8_t> scratch(data.size());

    Side ours{"ours", {}}, zlib{"zlib", {}}, oursMemory{"ours", {}}, zlibMemory{"zlib", {}};
    bool right = true;
    for (int round = 0; round < rounds; round++) {
        for (int turn = 0; turn < 2; turn++) {
            bool oursNow = (turn == 0) == (round % 2 == 0);
            EmptySink(sink);
            double start = Now();
            uint32_t crc = oursNow ? OursThroughOutput(stream, sink) : ZlibThroughOutput(stream, sink);
            (oursNow ? ours : zlib).times.push_back(Now() - start);
            right &= crc == expectedCrc && SinkHolds(sink, data, scratch);

            memset(memory.data(), 0, memory.size());
            start = Now();
            bool decoded = oursNow ? OursIntoMemory(stream, memory) : ZlibIntoMemory(stream, memory);
            (oursNow ? oursMemory : zlibMemory).times.push_back(Now() - start);
            right &= decoded && memcmp(memory.data(), data.data(), data.size()) == 0;
        }
        if (!right) {
            printf("round %d: an output differs from the data\n", round + 1);
            return 1;
        }
    }
    EmptySink(sink);
    close(sink);
    if (system(("rm -rf '" + folder + "'").c_str()) != 0)
        printf("could not remove %s\n", folder.c_str());

    double mb = (double)data.size() / 1e6;
    printf("through the output path (window drains through FlushWindow: CRC-32, progress and meter, writes to a\n"
           "memory file, the host's pump stand-in), CPU time, median (range) of %d:\n", rounds);
    PrintSide(ours, mb);
    PrintSide(zlib, mb);
    printf("into memory (decoder alone), CPU time, median (range) of %d:\n", rounds);
    PrintSide(oursMemory, mb);
    PrintSide(zlibMemory, mb);
    PrintRatios("decoder alone", oursMemory, zlibMemory);
    double ratio = PrintRatios("through the output path", ours, zlib);
    printf("time ratio: %.3f\n", ratio);
    return 0;
}
