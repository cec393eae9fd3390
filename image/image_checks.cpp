// Opening the image, the end-record test and the entry-point test.
#include "base/byte_order.h"
#include "base/error_exit.h"
#include "context/extraction_context.h"
#include "image/byte_compare.h"
#include "image/config_record.h"
#include "image/image_checks.h"
#include "image/resources.h"

enum { kDosHeaderSize = 64, kSignatureBytes = 4, kLargestSeek = 0x7FFFFFFF };
static_assert(kEntryPointInPeHeaders + 4 <= kPeHeadersSize, "AddressOfEntryPoint lies in the PE headers");

int SeekFromStart(HFILE file, uint32_t offset) {
    if (offset > (uint32_t)kLargestSeek)
        return 0;
    return _llseek(file, (LONG)offset, FILE_BEGIN) == (LONG)offset;
}

HFILE OpenForReading(const WCHAR *path, int othersMayWrite) {
    return (HFILE)(INT_PTR)CreateFileW(path, GENERIC_READ,
                                       othersMayWrite ? FILE_SHARE_READ | FILE_SHARE_WRITE : FILE_SHARE_READ, 0,
                                       OPEN_EXISTING, 0, 0);
}

void OpenImage() {
    ctx.archiveFile = OpenForReading(ctx.imagePath, 0);
    if (ctx.archiveFile == HFILE_ERROR) {
        ctx.archiveFile = 0;
        HeaderCorrupt();
    }
}

void TestEndRecord() {
    uint32_t offset = configRecord.EndRecordOffset;
    if ((configRecord.Flags & kFlagSpanned) || offset == 0)
        return;
    uint8_t found[kSignatureBytes];
    int there = SeekFromStart(ctx.archiveFile, offset) &&
                _lread(ctx.archiveFile, found, kSignatureBytes) == kSignatureBytes &&
                ByteCompare(found, ctx.endSignature, kSignatureBytes) == 0;
    if (!there)
        ShowError(LookupString(kStrDamaged));
}

// Reads the PE headers through a second handle of its own. Neither the MZ
// nor the PE signature is looked at: only the entry point matters here.
int TestEntryPoint() {
    uint8_t headers[kPeHeadersSize];
    HFILE file = OpenForReading(ctx.imagePath, 1);
    if (file == HFILE_ERROR)
        return 0;
    int read = _lread(file, headers, kDosHeaderSize) == kDosHeaderSize &&
               SeekFromStart(file, ReadLe32(headers + kDosLfanewOffset)) &&
               _lread(file, headers, kPeHeadersSize) == kPeHeadersSize;
    _lclose(file);
    return read && ReadLe32(headers + kEntryPointInPeHeaders) == configRecord.EntryPoint;
}
