// The output buffer's way out: progress, the meter, the CRC-32, the file, and
// the message pump after every write.
#include "app/error_exit.h"
#include "archive/crc32.h"
#include "archive/entry_output.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/resources.h"
#include "ui/meter.h"
#include "ui/pump.h"

enum MeterSteps {
    kMeterMarkStep = 0x10000,        // the meter moves at most once per 64 KiB written
    kMeterFull = 100,
    kMeterPositionWithoutTotal = kMeterFull,
};

// part * 100 / whole, rounded down and taken modulo 2^16 as the meter message
// carries it. The fraction is worked out one decimal digit at a time by
// repeated addition, so no product can overflow and no 64-bit division is
// needed. Without a total there is nothing to divide by: the meter shows
// full.
static uint16_t MeterPosition(uint32_t part, uint32_t whole) {
    if (whole == 0)
        return kMeterPositionWithoutTotal;
    uint32_t position = (part / whole) * 100;
    uint32_t rest = part % whole;
    for (uint32_t weight = 10; weight > 0; weight /= 10) {
        uint32_t digit = 0;
        uint32_t remainder = 0;
        for (int step = 0; step < 10; step++) {
            if (remainder >= whole - rest) {
                remainder -= whole - rest;
                digit++;
            } else {
                remainder += rest;
            }
        }
        position += digit * weight;
        rest = remainder;
    }
    return (uint16_t)position;
}

void RefreshMeter() {
    if (ctx.meterShown)
        SendDlgItemMessageA(ctx.mainDialog, kIdMeter, METER_SETPOS,
                            MeterPosition(ctx.bytesWritten, configRecord.TotalSize), 0);
    InvalidateRect(GetDlgItem(ctx.mainDialog, kIdMeter), nullptr, FALSE);
    UpdateWindow(ctx.mainDialog);
}

void FlushOutput() {
    if (ctx.memoryMode) {
        ctx.pending = 0;
        return;
    }
    ctx.bytesWritten += ctx.pending;
    if (ctx.bytesWritten - ctx.lastMeterMark >= kMeterMarkStep) {
        ctx.lastMeterMark = ctx.bytesWritten;
        RefreshMeter();
    }
    CrcUpdate(ctx.outputBuffer, ctx.pending);
    CheckWrite(_lwrite(ctx.outputFile, (LPCSTR)ctx.outputBuffer, ctx.pending));
    ctx.outputPointer = ctx.outputBuffer;
    ctx.pending = 0;
}

void CheckWrite(uint32_t written) {
    if (written == (uint32_t)HFILE_ERROR || written != ctx.pending) {
        wsprintfA(ctx.messageBuffer, LookupString(kStrErrorWriting), ctx.messagePath);
        ShowError(ctx.messageBuffer);
    }
    if (PumpMessages())
        AbortSilently();
}
