// The decoder's throughput beside zlib's on one ~200 MB raw Deflate stream
// (text and binaries from /usr/share and /usr/lib, compressed by zlib at its
// default level), both feeding the extractor's real output path: FlushOutput
// with its CRC-32, progress count and 2048-byte writes (to /dev/null), and
// the message pump. Also shown: both decoders into memory alone.
//
//   bench_inflate [megabytes]      (default 200)
//
// The last line is "time ratio: R", R = our time / zlib's time through the
// same output path (thread CPU time, best of several interleaved runs each).
#include <dirent.h>
#include <fcntl.h>
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

#include "app/error_exit.h"
#include "archive/crc32.h"
#include "archive/entry_output.h"
#include "codec/inflate.h"
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

// The output path's state at the start of a member.
void StartMember(int outputFile) {
    ctx.outputFile = outputFile;
    ctx.outputPointer = ctx.outputBuffer;
    ctx.pending = 0;
    ctx.memoryMode = 0;
    ctx.crcRegister = 0xFFFFFFFF;
    ctx.bytesWritten = 0;
    ctx.lastMeterMark = 0;
}

// What ExtractMember does after the decode: the last partial piece.
uint32_t FinishMember() {
    CrcUpdate(ctx.outputBuffer, ctx.pending);
    CheckWrite(_lwrite(ctx.outputFile, (LPCSTR)ctx.outputBuffer, ctx.pending));
    ctx.pending = 0;
    return ~ctx.crcRegister;
}

int decodeResult;

void RunDecode() {
    decodeResult = DecodeStream();
}

// Ours, file mode: the archive file read through RefillInput, the output
// through FlushOutput.
uint32_t OursThroughOutput(int archiveFile, uint32_t streamSize, int sink) {
    lseek(archiveFile, 0, SEEK_SET);
    ctx.archiveFile = archiveFile;
    ctx.memberBytesLeft = streamSize;
    ctx.inputCount = 0;
    StartMember(sink);
    if (GuardedCall(RunDecode) != kGuardDone || decodeResult != kInflateOk)
        return 0;
    return FinishMember();
}

// zlib through the same output path: its output in window-sized pieces,
// handed over in the output buffer's 2048-byte pieces.
uint32_t ZlibThroughOutput(const std::string &stream, int sink) {
    StartMember(sink);
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = (Bytef *)stream.data();
    z.avail_in = (uInt)stream.size();
    std::vector<uint8_t> piece(kWindowSize);
    int status;
    do {
        z.next_out = piece.data();
        z.avail_out = (uInt)piece.size();
        status = inflate(&z, Z_NO_FLUSH);
        size_t produced = piece.size() - z.avail_out;
        for (size_t at = 0; at < produced;) {
            size_t n = std::min(produced - at, (size_t)(kIoBufferSize - ctx.pending));
            memcpy(ctx.outputPointer, piece.data() + at, n);
            ctx.outputPointer += n;
            ctx.pending += (uint32_t)n;
            at += n;
            if (ctx.pending == kIoBufferSize)
                FlushOutput();
        }
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

}  // namespace

int main(int argc, char **argv) {
    size_t megabytes = argc > 1 ? (size_t)atol(argv[1]) : 200;
    std::string data = SampleData(megabytes << 20);
    std::string stream = codechost::RawDeflate(data, Z_DEFAULT_COMPRESSION, Z_DEFAULT_STRATEGY);
    uint32_t expectedCrc = (uint32_t)crc32(0, (const Bytef *)data.data(), (uInt)data.size());
    printf("data: %zu bytes, stream: %zu bytes (zlib level 6)\n", data.size(), stream.size());

    std::string folder = codechost::SetUpMachine("bench");

    std::string streamPath = folder + "/stream.bin";
    FILE *f = fopen(streamPath.c_str(), "wb");
    fwrite(stream.data(), 1, stream.size(), f);
    fclose(f);
    int archiveFile = open(streamPath.c_str(), O_RDONLY);
    int sink = open("/dev/null", O_WRONLY);
    std::vector<uint8_t> memory(data.size());

    enum { kRounds = 5 };
    double ours = 1e9, zlib = 1e9, oursMemory = 1e9, zlibMemory = 1e9;
    bool right = true;
    for (int round = 0; round < kRounds; round++) {
        double start = Now();
        right &= OursThroughOutput(archiveFile, (uint32_t)stream.size(), sink) == expectedCrc;
        ours = std::min(ours, Now() - start);
        start = Now();
        right &= ZlibThroughOutput(stream, sink) == expectedCrc;
        zlib = std::min(zlib, Now() - start);
        start = Now();
        right &= OursIntoMemory(stream, memory) && memcmp(memory.data(), data.data(), data.size()) == 0;
        oursMemory = std::min(oursMemory, Now() - start);
        memset(memory.data(), 0, memory.size());
        start = Now();
        right &= ZlibIntoMemory(stream, memory) && memcmp(memory.data(), data.data(), data.size()) == 0;
        zlibMemory = std::min(zlibMemory, Now() - start);
    }
    close(archiveFile);
    close(sink);
    if (system(("rm -rf '" + folder + "'").c_str()) != 0)
        printf("could not remove %s\n", folder.c_str());
    if (!right) {
        printf("output differs from the data\n");
        return 1;
    }
    double mb = (double)data.size() / 1e6;
    printf("through the output path (CRC-32, 2048-byte writes to /dev/null, pump), CPU time, best of %d:\n", kRounds);
    printf("  ours: %.3f s, %.1f MB/s\n", ours, mb / ours);
    printf("  zlib: %.3f s, %.1f MB/s\n", zlib, mb / zlib);
    printf("into memory (decoder alone), CPU time, best of %d:\n", kRounds);
    printf("  ours: %.3f s, %.1f MB/s\n", oursMemory, mb / oursMemory);
    printf("  zlib: %.3f s, %.1f MB/s\n", zlibMemory, mb / zlibMemory);
    printf("decoder alone, time ratio: %.3f\n", oursMemory / zlibMemory);
    printf("time ratio: %.3f\n", ours / zlib);
    return 0;
}
