// TEMPORARY test-only definitions of what the decoder, the input buffer, the
// output flush and the string table branches provide, written from their
// interfaces so the archive tests can run before those land. Deleted as soon
// as the real ones are in main.
#include <zlib.h>

#include <cstring>
#include <vector>

#include "app/error_exit.h"
#include "archive/crc32.h"
#include "archive/entry_output.h"
#include "archive/spanned.h"
#include "codec/inflate.h"
#include "codec/input.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/resources.h"
#include "ui/meter.h"
#include "ui/pump.h"

void ExpandResourceBlock() {}

const char *LookupString(int index) {
    switch (index) {
    case 1: return "Please insert disk %d in drive %s.";
    case 2: return "Please insert last disk of set in drive %s.";
    case 4: return "The disk in the drive appears to be\nmissing or has an incorrect label.\nInsert disk number %d.";
    case 5: return "No password specified";
    case 6: return "Incorrect password specified";
    case 16: return "File %s already exists.  Overwrite file?";
    case 28: return "Can't create output file: %s";
    case 29: return "Unsupported compression method";
    case 30: return "ZIP damaged: file %s: Bad CRC %08lx (should be %08lx).  Possible cause: file transfer error.";
    case 31: return "Invalid ZIP header.  Possible cause: file transfer error.";
    case 32: return "Could not create \"%s\" - unzip operation cancelled.";
    case 34: return "Unzipping %s";
    case 35: return "Error writing to %s.  Possible cause: disk full.";
    case 36: return "Error reading %s.  Possible cause: bad disk or file transfer error.";
    case 37: return "I/O error on file.  Possible cause: file transfer error.";
    case 45: return "Drive %s is not a valid drive, unzip operation cancelled.";
    case 50: return "Zip contains filenames longer than are allowed by\nWindows. Tarvex Self-Extractor cannot process this\nZip file.";
    default: return "";
    }
}

INT_PTR RunPasswordTemplate(HWND, DLGPROC) {
    return 0;
}

void FlushOutput() {
    if (ctx.memoryMode) {
        ctx.pending = 0;
        return;
    }
    ctx.bytesWritten += ctx.pending;
    if (ctx.bytesWritten >= ctx.lastMeterMark + 0x10000) {
        ctx.lastMeterMark = ctx.bytesWritten;
        if (ctx.meterShown)
            SendDlgItemMessageA(ctx.mainDialog, kIdMeter, METER_SETPOS, MeterPosition(), 0);
        InvalidateRect(GetDlgItem(ctx.mainDialog, kIdMeter), 0, FALSE);
        UpdateWindow(ctx.mainDialog);
    }
    CrcUpdate(ctx.outputBuffer, ctx.pending);
    CheckWrite(_lwrite(ctx.outputFile, (LPCSTR)ctx.outputBuffer, ctx.pending));
    ctx.outputPointer = ctx.outputBuffer;
    ctx.pending = 0;
}

void CheckWrite(uint32_t written) {
    if (written == (uint32_t)HFILE_ERROR || written != ctx.pending) {
        wsprintfA(ctx.messageBuffer, LookupString(35), ctx.messagePath);
        ShowError(ctx.messageBuffer);
    }
    if (PumpMessages())
        AbortSilently();
}

void AdvanceKeys(uint8_t plain) {
    uint32_t *k = ctx.cipherKeys;
    k[0] = ctx.crcTable[(k[0] ^ plain) & 0xFF] ^ (k[0] >> 8);
    k[1] = (k[1] + (k[0] & 0xFF)) * 134775813u + 1;
    k[2] = ctx.crcTable[(k[2] & 0xFF) ^ (k[1] >> 24)] ^ (k[2] >> 8);
}

uint8_t KeystreamByte() {
    uint32_t t = (ctx.cipherKeys[2] | 2) & 0xFFFF;
    return (uint8_t)((t * (t ^ 1)) >> 8);
}

void SeedKeys(const char *password) {
    ctx.cipherKeys[0] = 0x12345678u;
    ctx.cipherKeys[1] = 0x23456789u;
    ctx.cipherKeys[2] = 0x34567890u;
    for (const uint8_t *p = (const uint8_t *)password; *p; p++)
        AdvanceKeys(*p);
}

static uint8_t Decrypt(uint8_t c) {
    uint8_t p = c ^ KeystreamByte();
    AdvanceKeys(p);
    return p;
}

int CheckEncryptionHeader(const uint8_t header[12]) {
    SeedKeys(ctx.passwordText);
    uint8_t last = 0;
    for (int i = 0; i < 12; i++)
        last = Decrypt(header[i]);
    uint8_t check = ctx.descriptorFollows ? (uint8_t)(ctx.localHeader.time >> 8) : (uint8_t)(ctx.localHeader.crc32 >> 24);
    return last == check ? 0 : -1;
}

int ReadEncryptionHeader() {
    if (!ctx.passwordText)
        return 0;
    uint8_t header[12];
    if (ctx.memberBytesLeft < 12 || _lread(ctx.archiveFile, header, 12) != 12)
        ReadError(14);
    ctx.memberBytesLeft -= 12;
    return CheckEncryptionHeader(header) == 0;
}

int RefillInput() {
    if (ctx.memberBytesLeft == 0) {
        ctx.inputCount = 0;
        return 0;
    }
    UINT want = ctx.memberBytesLeft < 2048 ? ctx.memberBytesLeft : 2048;
    UINT got = _lread(ctx.archiveFile, ctx.inputBuffer, want);
    if (!ctx.spanned || got == (UINT)HFILE_ERROR) {
        if (got != want)
            ReadError(2);
    } else if (got < want) {
        RequestDisk(ctx.currentDisk + 1, ctx.exeVolumes);
        if (got == 0) {
            got = _lread(ctx.archiveFile, ctx.inputBuffer, want);
            if (got == (UINT)HFILE_ERROR)
                ReadError(2);
        }
    }
    ctx.memberBytesLeft -= got;
    ctx.inputCursor = ctx.inputBuffer;
    if (ctx.currentEntryEncrypted)
        for (UINT i = 0; i < got; i++)
            ctx.inputBuffer[i] = Decrypt(ctx.inputBuffer[i]);
    ctx.inputCount = got ? (int32_t)got - 1 : 0;
    return (int)got;
}

int FetchByte(uint16_t *destination) {
    if (ctx.inputCount == 0) {
        if (RefillInput() == 0)
            return 0;
    } else {
        ctx.inputCount--;
    }
    *destination = *ctx.inputCursor++;
    return 8;
}

static void Emit(const uint8_t *data, size_t n) {
    for (size_t i = 0; i < n; i++) {
        *ctx.outputPointer++ = data[i];
        if (++ctx.pending == kIoBufferSize)
            FlushOutput();
    }
}

int DecodeStream() {
    std::vector<uint8_t> input;
    uint16_t byte;
    while (FetchByte(&byte))
        input.push_back((uint8_t)byte);
    z_stream z;
    memset(&z, 0, sizeof z);
    inflateInit2(&z, -15);
    z.next_in = input.data();
    z.avail_in = (uInt)input.size();
    uint8_t out[4096];
    int result;
    do {
        z.next_out = out;
        z.avail_out = sizeof out;
        result = inflate(&z, Z_NO_FLUSH);
        Emit(out, sizeof out - z.avail_out);
    } while (result == Z_OK && (z.avail_in > 0 || z.avail_out == 0));
    inflateEnd(&z);
    return result == Z_STREAM_END ? kInflateOk : kInflateDataError;
}
