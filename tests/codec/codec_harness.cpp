#include "tests/codec/codec_harness.h"

#include <string.h>
#include <zlib.h>

#include "base/error_exit.h"
#include "codec/inflate.h"
#include "context/extraction_context.h"
#include "platform/host/host_control.h"
#include "tests/codec/codec_host.h"
#include "tests/support/test_support.h"

namespace codectest {

static int decodeResult;

static void RunDecode() {
    decodeResult = DecodeStream();
}

// A decode under a guard, as the callers run it; the tables of a decode
// that an exit abandoned are released the way shutdown would.
static int GuardedDecode() {
    decodeResult = -1;
    int code = GuardedCall(RunDecode);
    if (code != kGuardDone)
        ReleaseDecodeTables();
    return code;
}

Decoded DecodeFile(const std::string &stream, const std::string &trailing, size_t counted, unsigned abortAtPump) {
    hostsim::WriteHostFile(hostsim::HostPath("C:\\ARCHIVE.BIN"), stream + trailing);
    ctx.archiveFile = _lopen("C:\\ARCHIVE.BIN", OF_READ);
    ctx.memberBytesLeft = (uint32_t)(stream.size() + counted);
    Decoded run = DecodeOpenArchive(abortAtPump);
    _lclose(ctx.archiveFile);
    ctx.archiveFile = 0;
    return run;
}

Decoded DecodeOpenArchive(unsigned abortAtPump) {
    ctx.outputFile = _lcreat("C:\\OUT.BIN", 0);
    memcpy(ctx.messagePath, u"C:\\OUT.BIN", sizeof u"C:\\OUT.BIN");
    ctx.inputCount = 0;
    ctx.pending = 0;
    ctx.outputPointer = ctx.outputBuffer;
    ctx.memoryMode = 0;
    ctx.crcRegister = 0xFFFFFFFF;
    hostsim::Sim().abortAtPump = abortAtPump;
    hostsim::Sim().pumpCalls = 0;

    Decoded run;
    run.guard = GuardedDecode();
    run.result = decodeResult;
    run.flushes = hostsim::Sim().pumpCalls;
    run.archiveOffset = _llseek(ctx.archiveFile, 0, FILE_CURRENT);
    run.memberBytesLeft = ctx.memberBytesLeft;
    _lclose(ctx.outputFile);
    ctx.outputFile = 0;
    run.output = hostsim::ReadHostFile(hostsim::HostPath("C:\\OUT.BIN"));
    if (run.guard == kGuardDone)
        run.output.append((const char *)ctx.outputBuffer, ctx.pending);
    return run;
}

Decoded DecodeMemory(const std::string &stream, size_t capacity, bool *overran) {
    enum { kGuardBytes = 64, kGuardValue = 0xA5 };
    // The input in a block of its own exact size, so that a read past it is
    // caught by the address sanitizer.
    std::vector<uint8_t> input(stream.begin(), stream.end());
    std::vector<uint8_t> destination(capacity + kGuardBytes, kGuardValue);
    memset(destination.data(), 0, capacity);
    ctx.inputCursor = input.data();
    ctx.inputCount = (int32_t)input.size();
    ctx.outputPointer = destination.data();
    ctx.memoryEnd = destination.data() + capacity;
    ctx.memoryMode = 1;

    Decoded run;
    run.guard = GuardedDecode();
    run.result = decodeResult;
    run.output.assign((const char *)destination.data(), (size_t)(ctx.outputPointer - destination.data()));
    ctx.memoryMode = 0;
    ctx.inputCursor = nullptr;
    ctx.memoryEnd = nullptr;
    if (overran) {
        *overran = false;
        for (size_t i = capacity; i < destination.size(); i++)
            if (destination[i] != kGuardValue)
                *overran = true;
    }
    return run;
}

std::string ZlibCompress(const std::string &data, int level, int strategy) {
    return codechost::RawDeflate(data, level, strategy);
}

bool ZlibInflate(const std::string &stream, std::string *output) {
    z_stream z;
    memset(&z, 0, sizeof z);
    inflateInit2(&z, -15);
    z.next_in = (Bytef *)stream.data();
    z.avail_in = (uInt)stream.size();
    output->clear();
    int status;
    do {
        char piece[65536];
        z.next_out = (Bytef *)piece;
        z.avail_out = sizeof piece;
        status = inflate(&z, Z_NO_FLUSH);
        output->append(piece, sizeof piece - z.avail_out);
    } while (status == Z_OK);
    inflateEnd(&z);
    return status == Z_STREAM_END;
}

// A small deterministic generator, so that every run sees the same data.
struct Random {
    uint64_t state;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (uint32_t)(state >> 16);
    }
};

static std::string Text(size_t size, uint64_t seed) {
    static const char *const words[] = {
        "the", "archive", "member", "window", "stream", "block", "code", "length", "distance", "literal",
        "folder", "extract", "a", "of", "to", "and", "is", "in", "compressed", "table", "bits", "byte",
        "Huffman", "deflate", "output", "input", "buffer", "pass", "disk", "password", "meter", "file"};
    Random r{seed};
    std::string text;
    while (text.size() < size) {
        unsigned sentence = 4 + r.Next() % 14;
        for (unsigned i = 0; i < sentence; i++) {
            text += words[r.Next() % (sizeof words / sizeof *words)];
            text += i + 1 < sentence ? " " : ".";
        }
        text += r.Next() % 5 == 0 ? "\r\n" : " ";
    }
    text.resize(size);
    return text;
}

static std::string Binary(size_t size, uint64_t seed) {
    Random r{seed};
    std::string data;
    uint32_t counter = 0x1000;
    while (data.size() < size) {
        // Records of a table: a growing key, small flags, an offset, and now
        // and then a short run of code-like bytes.
        counter += 1 + r.Next() % 7;
        uint32_t record[4] = {counter, r.Next() % 4, 0x400000 + (r.Next() % 4096) * 4, 0};
        data.append((const char *)record, sizeof record);
        if (r.Next() % 3 == 0) {
            static const unsigned char code[] = {0x55, 0x8B, 0xEC, 0x83, 0xEC, 0x08, 0x8B, 0x45, 0x08,
                                                 0x50, 0xE8, 0x00, 0x00, 0x00, 0x00, 0xC9, 0xC3};
            data.append((const char *)code, 3 + r.Next() % (sizeof code - 3));
        }
    }
    data.resize(size);
    return data;
}

static std::string RandomBytes(size_t size, uint64_t seed) {
    Random r{seed};
    std::string data(size, '\0');
    for (char &c : data)
        c = (char)r.Next();
    return data;
}

static std::string Runs(size_t size, uint64_t seed) {
    Random r{seed};
    std::string data;
    while (data.size() < size) {
        data.append(1 + r.Next() % 5000, (char)(r.Next() % 3 == 0 ? 0 : r.Next()));
        data += RandomBytes(r.Next() % 8, seed + data.size());
    }
    data.resize(size);
    return data;
}

std::vector<std::string> SampleKinds() {
    return {"empty", "one", "text", "binary", "random", "runs", "exact32k", "exact64k", "large"};
}

std::string SampleData(const std::string &kind) {
    if (kind == "empty")
        return "";
    if (kind == "one")
        return "x";
    if (kind == "text")
        return Text(200000, 1);
    if (kind == "binary")
        return Binary(150000, 2);
    if (kind == "random")
        return RandomBytes(100000, 3);
    if (kind == "runs")
        return Runs(150000, 4);
    if (kind == "exact32k")
        return Text(32768, 5);
    if (kind == "exact64k")
        return Binary(65536, 6);
    if (kind == "large") {
        std::string data;
        for (uint64_t part = 0; data.size() < 3000000; part++)
            data += part % 4 == 0 ? Text(400000, 10 + part)
                  : part % 4 == 1 ? Binary(300000, 10 + part)
                  : part % 4 == 2 ? RandomBytes(100000, 10 + part)
                                  : Runs(200000, 10 + part);
        return data;
    }
    return "";
}

void BitWriter::Put(uint32_t value, unsigned bits) {
    for (unsigned i = 0; i < bits; i++) {
        pending_ |= ((value >> i) & 1) << count_;
        if (++count_ == 8) {
            bytes_ += (char)pending_;
            pending_ = 0;
            count_ = 0;
        }
    }
}

void BitWriter::PutCode(uint32_t code, unsigned length) {
    for (unsigned i = length; i-- > 0;)
        Put((code >> i) & 1, 1);
}

void BitWriter::AlignToByte() {
    if (count_ != 0)
        Put(0, 8 - count_);
}

void BitWriter::PutBytes(const std::string &bytes) {
    for (char c : bytes)
        Put((uint8_t)c, 8);
}

std::string BitWriter::Bytes() const {
    std::string all = bytes_;
    if (count_ != 0)
        all += (char)pending_;
    return all;
}

std::vector<uint32_t> CanonicalCodes(const std::vector<int> &lengths) {
    int count[17] = {0};
    for (int length : lengths)
        count[length]++;
    count[0] = 0;
    uint32_t next[17] = {0};
    uint32_t code = 0;
    for (int bits = 1; bits <= 16; bits++) {
        code = (code + count[bits - 1]) << 1;
        next[bits] = code;
    }
    std::vector<uint32_t> codes(lengths.size(), 0);
    for (size_t i = 0; i < lengths.size(); i++)
        if (lengths[i] != 0)
            codes[i] = next[lengths[i]]++;
    return codes;
}

// One folder for the whole test program, removed when it ends.
struct ToolFolder {
    std::string path = testsupport::MakeTempFolder("codec-tools");
    ~ToolFolder() { testsupport::RemoveTree(path); }
};

std::string HostTemp(const std::string &name) {
    static ToolFolder folder;
    return folder.path + "/" + name;
}

}  // namespace codectest
