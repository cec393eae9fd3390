// The output's way out: progress, the meter, the CRC-32, the file, and the
// message pump after every write.
#include "archive/flush_output.h"

#include "base/crc32.h"
#include "base/error_exit.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/resources.h"
#include "progress/meter.h"
#include "progress/pump.h"
#include "progress/status_line.h"

enum MeterSteps {
    kMeterMarkStep = 0x10000,        // the meter moves at most once per 64 KiB written
    kMeterFull = 100,
    kMeterPositionWithoutTotal = kMeterFull,
};

// bytesWritten * 100 / TotalSize, taken modulo 2^16 as the meter message
// carries it; the product is formed in 64 bits so it cannot overflow.
// Without a total there is nothing to divide by: the meter shows full.
uint16_t MeterPosition() {
    uint32_t total = configRecord.TotalSize;
    if (total == 0)
        return kMeterPositionWithoutTotal;
    return (uint16_t)((uint64_t)ctx.bytesWritten * kMeterFull / total);
}

void RefreshMeter() {
    if (ctx.meterShown)
        SendDlgItemMessageA(ctx.mainDialog, kIdMeter, METER_SETPOS,
                            MeterPosition(), 0);
    InvalidateRect(GetDlgItem(ctx.mainDialog, kIdMeter), nullptr, FALSE);
    UpdateWindow(ctx.mainDialog);
}

void WriteOutputBytes(const uint8_t *data, uint32_t count) {
    CrcUpdate(data, count);
    CheckWrite(_lwrite(ctx.outputFile, (LPCSTR)data, count), count);
}

// Progress is counted, and the meter moved, piece by piece as the output
// buffer's pieces would come, whatever the size of the write that carries
// them: the meter shows the same positions at the same marks.
void WriteOutputPieces(const uint8_t *data, uint32_t count) {
    for (uint32_t done = 0; done < count; done += kIoBufferSize) {
        uint32_t piece = count - done;
        ctx.bytesWritten += piece < (uint32_t)kIoBufferSize ? piece : (uint32_t)kIoBufferSize;
        if (ctx.bytesWritten - ctx.lastMeterMark >= kMeterMarkStep) {
            ctx.lastMeterMark = ctx.bytesWritten;
            RefreshMeter();
        }
    }
    WriteOutputBytes(data, count);
}

void FlushOutput() {
    if (ctx.memoryMode) {
        ctx.pending = 0;
        return;
    }
    WriteOutputPieces(ctx.outputBuffer, ctx.pending);
    ctx.outputPointer = ctx.outputBuffer;
    ctx.pending = 0;
}

void CheckWrite(uint32_t written, uint32_t count) {
    if (written == (uint32_t)HFILE_ERROR || written != count) {
        ShowErrorAbout(LookupString(kStrErrorWriting), ctx.messagePath);
    }
    CatchUpStatus();
    if (PumpMessages())
        AbortSilently();
}
