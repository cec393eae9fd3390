// The output's way out: memory mode, the file write with its CRC-32 and
// progress count, window drains written in whole pieces at once, the meter
// every 64 KiB, write errors and the abort.
#include <gtest/gtest.h>

#include <cstring>

#include "archive/flush_output.h"
#include "base/crc32.h"
#include "base/error_exit.h"
#include "codec/window.h"
#include "image/config_record.h"
#include "platform/host/host_control.h"
#include "tests/codec/codec_harness.h"
#include "tests/support/test_support.h"

namespace {

class FlushOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = testsupport::FreshMachine("flush");
        savedTotal_ = configRecord.TotalSize;
        ctx.outputFile = _lcreat("C:\\OUT.BIN", 0);
        memcpy(ctx.messagePath, u"C:\\OUT.BIN", sizeof u"C:\\OUT.BIN");
        ctx.mainDialog = (HWND)(uintptr_t)0x100;
        hostsim::Sim().dialogHasMeter = true;
        piece_ = codectest::SampleData("random").substr(0, 2048);
    }
    void TearDown() override {
        configRecord.TotalSize = savedTotal_;
        testsupport::ReleaseMachine(root_);
    }

    // A full output buffer, as FlushWindow hands it over.
    void FillBuffer() {
        memcpy(ctx.outputBuffer, piece_.data(), 2048);
        ctx.outputPointer = ctx.outputBuffer + 2048;
        ctx.pending = 2048;
    }

    static void Flush() { FlushOutput(); }

    std::string Written() { return hostsim::ReadHostFile(hostsim::HostPath("C:\\OUT.BIN")); }

    std::string root_;
    std::string piece_;
    uint32_t savedTotal_;
};

TEST_F(FlushOutputTest, MemoryModeOnlyEndsThePiece) {
    FillBuffer();
    ctx.memoryMode = 1;
    ctx.crcRegister = 0x1234;
    FlushOutput();
    EXPECT_EQ(0u, ctx.pending);
    EXPECT_EQ(ctx.outputBuffer + 2048, ctx.outputPointer);
    EXPECT_EQ(0x1234u, ctx.crcRegister);
    EXPECT_EQ(0u, ctx.bytesWritten);
    EXPECT_EQ(0u, hostsim::Sim().pumpCalls);
    EXPECT_EQ("", Written());
}

TEST_F(FlushOutputTest, WritesCountsAndRunsTheCrc) {
    ctx.crcRegister = 0xFFFFFFFF;
    for (int i = 0; i < 3; i++) {
        FillBuffer();
        FlushOutput();
        EXPECT_EQ(0u, ctx.pending);
        EXPECT_EQ(ctx.outputBuffer, ctx.outputPointer);
    }
    std::string all = piece_ + piece_ + piece_;
    EXPECT_EQ(all, Written());
    EXPECT_EQ(Crc32Of((const uint8_t *)all.data(), all.size()), ~ctx.crcRegister);
    EXPECT_EQ(3u * 2048, ctx.bytesWritten);
    EXPECT_EQ(3u, hostsim::Sim().pumpCalls);
}

// The meter moves when 64 KiB have been written since its last mark, to
// bytesWritten * 100 / TotalSize taken as 16 bits -- without the product
// overflowing and without dividing by a TotalSize of 0.
TEST_F(FlushOutputTest, MeterMarks) {
    struct Case {
        const char *name;
        uint32_t before, lastMark, total;
        int shown;
        int position;            // -1: none sent
        uint32_t markAfter;
    } cases[] = {
        {"just below the mark", 61440, 0, 200000, 1, -1, 0},
        {"reaching the mark", 63488, 0, 200000, 1, 32, 65536},
        {"64 KiB after the last mark", 198656, 135168, 200000, 1, 100, 200704},
        {"no total", 63488, 0, 0, 1, 100, 65536},
        {"a product beyond 32 bits", 3999997952u, 3999900000u, 4100000000u, 1, 97, 4000000000u},
        {"past the total, taken as 16 bits", 4997952, 0, 1000, 1, 500000 & 0xFFFF, 5000000},
        {"meter not shown", 63488, 0, 200000, 0, -1, 65536},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        hostsim::Sim().meterPositions.clear();
        ctx.bytesWritten = c.before;
        ctx.lastMeterMark = c.lastMark;
        configRecord.TotalSize = c.total;
        ctx.meterShown = c.shown;
        FillBuffer();
        FlushOutput();
        if (c.position < 0) {
            EXPECT_TRUE(hostsim::Sim().meterPositions.empty());
        } else {
            ASSERT_EQ(1u, hostsim::Sim().meterPositions.size());
            EXPECT_EQ(c.position, hostsim::Sim().meterPositions[0]);
        }
        EXPECT_EQ(c.markAfter, ctx.lastMeterMark);
    }
}

// A window drain in file mode: a piece begun before is topped up and
// written first, the drain's whole pieces go out in one write straight from
// the window, and the rest waits in the output buffer. Whatever was written
// counts as progress and went through the CRC; the pump ran once per write.
TEST_F(FlushOutputTest, WindowDrainWritesItsWholePiecesAtOnce) {
    std::string window = codectest::SampleData("random").substr(0, 32768);
    struct Case {
        uint32_t pendingBefore, count;
        unsigned writes;
        uint32_t pendingAfter;
    } cases[] = {
        {0, 32768, 1, 0},          // a full window
        {0, 5000, 1, 904},         // the last drain of a stream
        {0, 2047, 0, 2047},
        {1000, 32768, 2, 1000},    // the begun piece, then 15 whole ones
        {1000, 1048, 1, 0},        // just completes the begun piece
        {1000, 500, 0, 1500},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.pendingBefore << " pending, " << c.count << " drained");
        _lclose(ctx.outputFile);
        ctx.outputFile = _lcreat("C:\\OUT.BIN", 0);
        memcpy(ctx.inflateWindow, window.data(), window.size());
        std::string begun = piece_.substr(0, c.pendingBefore);
        memcpy(ctx.outputBuffer, begun.data(), begun.size());
        ctx.outputPointer = ctx.outputBuffer + begun.size();
        ctx.pending = c.pendingBefore;
        ctx.crcRegister = 0xFFFFFFFF;
        ctx.bytesWritten = 0;
        hostsim::Sim().pumpCalls = 0;

        EXPECT_EQ(1, FlushWindow(c.count));
        std::string handed = begun + window.substr(0, c.count);
        size_t written = handed.size() - c.pendingAfter;
        EXPECT_EQ(handed.substr(0, written), Written());
        ASSERT_EQ(c.pendingAfter, ctx.pending);
        EXPECT_EQ(ctx.outputBuffer + ctx.pending, ctx.outputPointer);
        EXPECT_EQ(handed.substr(written), std::string((const char *)ctx.outputBuffer, ctx.pending));
        EXPECT_EQ(written, ctx.bytesWritten);
        EXPECT_EQ(Crc32Of((const uint8_t *)handed.data(), written), ~ctx.crcRegister);
        EXPECT_EQ(c.writes, hostsim::Sim().pumpCalls);
    }
}

// Progress is counted piece by piece inside one write: a drain that passes a
// 64 KiB mark moves the meter to the mark's position, as piece-by-piece
// writes would have, not to the drain's end.
TEST_F(FlushOutputTest, DrainMovesTheMeterAtTheMarkItPasses) {
    ctx.outputPointer = ctx.outputBuffer;
    ctx.pending = 0;
    ctx.bytesWritten = 40960;
    ctx.lastMeterMark = 0;
    ctx.meterShown = 1;
    configRecord.TotalSize = 200000;
    FlushWindow(32768);
    ASSERT_EQ(1u, hostsim::Sim().meterPositions.size());
    EXPECT_EQ(65536 * 100 / 200000, hostsim::Sim().meterPositions[0]);
    EXPECT_EQ(65536u, ctx.lastMeterMark);
    EXPECT_EQ(40960u + 32768, ctx.bytesWritten);
}

TEST_F(FlushOutputTest, FailedOrShortWriteIsReported) {
    for (hostsim::FaultOp fault : {hostsim::kFaultWrite, hostsim::kFaultShortWrite}) {
        hostsim::State &sim = hostsim::Sim();
        sim.failAt[fault] = sim.calls[fault] + 1;
        sim.pumpCalls = 0;
        size_t boxes = sim.transcript.size();
        FillBuffer();
        EXPECT_EQ(kGuardFailed, GuardedCall(Flush));
        ASSERT_EQ(boxes + 1, sim.transcript.size());
        EXPECT_EQ("Error writing to C:\\OUT.BIN.  Possible cause: disk full.", sim.transcript.back().text);
        EXPECT_EQ(0u, sim.pumpCalls);
    }
}

TEST_F(FlushOutputTest, ConfirmedAbortEndsThePassSilently) {
    hostsim::Sim().abortAtPump = 2;
    FillBuffer();
    EXPECT_EQ(kGuardDone, GuardedCall(Flush));
    FillBuffer();
    EXPECT_EQ(kGuardFailed, GuardedCall(Flush));
    EXPECT_TRUE(hostsim::Sim().transcript.empty());
    EXPECT_EQ(piece_ + piece_, Written());
}

}  // namespace
