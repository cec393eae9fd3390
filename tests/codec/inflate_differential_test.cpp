// The decoder against zlib and other compressors: every sample, compressed
// every way, decodes to the same bytes; the window hands its output on in
// whole 32 KB drains and the output buffer in 2048-byte pieces; the archive
// file is never read past the member.
#include <gtest/gtest.h>
#include <zlib.h>

#include "base/error_exit.h"
#include "codec/inflate.h"
#include "tests/codec/codec_harness.h"
#include "tests/support/test_support.h"

namespace {

using codectest::Decoded;

class InflateDifferentialTest : public ::testing::Test {
protected:
    void SetUp() override { root_ = testsupport::FreshMachine("inflate-diff"); }
    void TearDown() override { testsupport::ReleaseMachine(root_); }

    // File mode, the real output path: same bytes, one write per window
    // drain holding its whole 2048-byte pieces with the rest pending, the
    // archive file standing exactly at the member's end although more
    // follows it.
    void ExpectDecodes(const std::string &stream, const std::string &data) {
        Decoded run = codectest::DecodeFile(stream, "TRAILER");
        ASSERT_EQ(kInflateOk, run.result);
        ASSERT_EQ(data.size(), run.output.size());
        ASSERT_TRUE(run.output == data);
        EXPECT_EQ(data.size() / 32768 + (data.size() % 32768 >= 2048), run.flushes);
        EXPECT_EQ(data.size() % 2048, ctx.pending);
        EXPECT_EQ((long)stream.size(), run.archiveOffset);
        EXPECT_EQ(0u, run.memberBytesLeft);
    }

    std::string root_;
};

TEST_F(InflateDifferentialTest, ZlibLevelsAndStrategies) {
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
    for (const std::string &kind : codectest::SampleKinds()) {
        std::string data = codectest::SampleData(kind);
        for (int strategy : strategies) {
            for (int level = 0; level <= 9; level++) {
                // The big sample at a few levels only; it is there for length.
                if (kind == "large" && level != 1 && level != 6 && level != 9)
                    continue;
                SCOPED_TRACE(kind + " strategy " + std::to_string(strategy) + " level " + std::to_string(level));
                std::string stream = codectest::ZlibCompress(data, level, strategy);
                ExpectDecodes(stream, data);
                if (data.size() <= 200000) {
                    bool overran = true;
                    Decoded run = codectest::DecodeMemory(stream, data.size(), &overran);
                    EXPECT_EQ(kInflateOk, run.result);
                    EXPECT_TRUE(run.output == data);
                    EXPECT_FALSE(overran);
                }
            }
        }
    }
}

static std::string ReadTool(const std::string &path) {
    return testsupport::ReadFile(path);
}

// The raw stream of the first member of a ZIP file.
static std::string FirstMemberStream(const std::string &zip) {
    auto u16 = [&](size_t at) { return (unsigned)(uint8_t)zip[at] | (unsigned)(uint8_t)zip[at + 1] << 8; };
    auto u32 = [&](size_t at) { return u16(at) | (uint32_t)u16(at + 2) << 16; };
    EXPECT_EQ(0x04034b50u, u32(0));
    EXPECT_EQ(8u, u16(8));
    size_t start = 30 + u16(26) + u16(28);
    return zip.substr(start, u32(18));
}

TEST_F(InflateDifferentialTest, OtherCompressors) {
    for (std::string kind : {"text", "binary", "runs", "exact32k", "large"}) {
        SCOPED_TRACE(kind);
        std::string data = codectest::SampleData(kind);
        std::string input = codectest::HostTemp(kind + ".bin");
        testsupport::WriteFile(input, data);

        // zopfli is slow; the big sample is left to the others.
        if (kind != "large") {
            ASSERT_EQ(0, testsupport::Run("zopfli --deflate --i5 '" + input + "'"));
            ExpectDecodes(ReadTool(input + ".deflate"), data);
        }

        std::string zip = codectest::HostTemp(kind + ".zip");
        ASSERT_EQ(0, testsupport::Run("rm -f '" + zip + "' && 7z a -tzip -mx9 '" + zip + "' '" + input +
                                      "' >/dev/null"));
        ExpectDecodes(FirstMemberStream(ReadTool(zip)), data);
    }
}

// zlib fed one byte at a time stops pulling input as soon as it can produce
// the next output byte: the input it has taken when `produced` bytes are out
// is the least any decoder must have read by then.
static size_t InputNeededFor(const std::string &stream, size_t produced) {
    z_stream z{};
    inflateInit2(&z, -15);
    std::string out(produced, '\0');
    z.next_out = (Bytef *)&out[0];
    z.avail_out = (uInt)produced;
    while (z.total_out < produced && z.total_in < stream.size()) {
        z.next_in = (Bytef *)stream.data() + z.total_in;
        z.avail_in = 1;
        inflate(&z, Z_NO_FLUSH);
    }
    size_t taken = z.total_in;
    inflateEnd(&z);
    return taken;
}

// Each window drain is one write, made when the decoded output reaches the
// next multiple of 32768, not earlier and not later: at that moment the
// decoder has read what that output needs plus at most its 8 bytes of
// look-ahead, and the file holds exactly the drained windows.
TEST_F(InflateDifferentialTest, WindowDrainsWhenItFills) {
    for (std::string kind : {"text", "runs", "random"}) {
        std::string data = codectest::SampleData(kind);
        for (int level : {0, 6}) {
            std::string stream = codectest::ZlibCompress(data, level, Z_DEFAULT_STRATEGY);
            for (size_t drain = 1; drain * 32768 <= data.size(); drain++) {
                SCOPED_TRACE(kind + " level " + std::to_string(level) + " drain " + std::to_string(drain));
                Decoded run = codectest::DecodeFile(stream, "", 0, (unsigned)drain);
                ASSERT_EQ(kGuardFailed, run.guard);
                EXPECT_EQ(drain * 32768, run.output.size());
                EXPECT_TRUE(run.output == data.substr(0, run.output.size()));
                size_t read = stream.size() - run.memberBytesLeft - (size_t)ctx.inputCount;
                size_t needed = InputNeededFor(stream, drain * 32768);
                EXPECT_GE(read, needed);
                EXPECT_LE(read, needed + 8);
            }
        }
    }
}

}  // namespace
