// The extraction pass and the archive walk: every member is found and
// described by its local header alone; the central directory is stepped over.
#include "archive/extraction_pass.h"

#include "archive/entry_output.h"
#include "archive/local_extra.h"
#include "archive/member_input.h"
#include "archive/name_decoding.h"
#include "archive/output_path.h"
#include "archive/read_error.h"
#include "archive/spanned.h"
#include "archive/zip_format.h"
#include "base/byte_order.h"
#include "base/error_exit.h"
#include "base/exit_codes.h"
#include "base/path_utils.h"
#include "base/run_log.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/image_checks.h"
#include "image/resources.h"
#include "progress/status_line.h"

// Records as read: the bytes behind each 4-byte signature, so a field's
// offset in them is its record offset less the signature.
enum RecordSizes {
    kLocalHeaderBytes = kLocalHeaderSize - kSignatureBytes,       // 26
    kCentralRecordBytes = kCentralHeaderSize - kSignatureBytes,   // 42
    kEndRecordBytes = kEndRecordSize - kSignatureBytes,           // 18
};

static_assert(sizeof(LocalHeader) >= kLocalHeaderBytes, "the decoded header holds every field");

// A field of a record read without its signature, by its record offset.
static uint16_t Field16(const uint8_t *fields, int recordOffset) {
    return ReadLe16(fields + (recordOffset - kSignatureBytes));
}
static uint32_t Field32(const uint8_t *fields, int recordOffset) {
    return ReadLe32(fields + (recordOffset - kSignatureBytes));
}

static int ReadExactly(void *buffer, uint32_t size) {
    return _lread(ctx.archiveFile, buffer, size) == size;
}

// A signature or local header: in a spanned archive a short read means the
// volume has ended, and the record is read whole from the next one.
static void ReadRecordStart(uint8_t *buffer, uint32_t size, int spannedCode, int plainCode) {
    if (ReadExactly(buffer, size))
        return;
    if (!ctx.spanned)
        ReadError(plainCode);
    RequestDisk(ctx.currentDisk + 1, ctx.exeVolumes);
    if (!ReadExactly(buffer, size))
        ReadError(spannedCode);
}

static void DecodeLocalHeader(const uint8_t *raw) {
    LocalHeader &h = ctx.localHeader;
    h.versionNeeded = Field16(raw, kLocalVersionNeeded);
    h.flags = Field16(raw, kLocalFlags);
    h.method = Field16(raw, kLocalMethod);
    h.time = Field16(raw, kLocalTime);
    h.date = Field16(raw, kLocalDate);
    h.crc32 = Field32(raw, kLocalCrc);
    h.compressedSize = Field32(raw, kLocalCompressedSize);
    h.uncompressedSize = Field32(raw, kLocalUncompressedSize);
    h.nameLength = Field16(raw, kLocalNameLength);
    h.extraLength = Field16(raw, kLocalExtraLength);
}

static void CheckNameLength(uint32_t length) {
    if (length > kMaxNameLength)
        ShowError(LookupString(kStrNamesTooLong));
}

void ReadName(uint32_t length, char *buffer) {
    if (!ReadExactly(buffer, length))
        ReadError(kReadName);
    buffer[length] = 0;
}

// A folder member: its folders are made and whatever data its local header
// declares is stepped over. A decoded name (a Unicode Path field) can make a
// folder of a member with data, and that data read as records could hold a
// member that no listing of the archive shows.
static void ProcessFolderMember() {
    ComposeMemberPath();
    CreateFolders();
    SkipArchiveBytes(ctx.localHeader.compressedSize);
}

static void ProcessFileMember() {
    ComposeOutputPath();
    CreateFolders();
    if (!ConfirmOverwrite()) {
        LogMember(kLogKept);
        // The compressed size includes any encryption header.
        SkipArchiveBytes(ctx.localHeader.compressedSize);
        return;
    }
    if (ctx.currentEntryEncrypted && !ReadEncryptionHeader())
        ShowError(LookupString(ctx.passwordText ? kStrIncorrectPassword : kStrNoPassword));
    ExtractMember();
    LogMember(kLogWritten);
}

void ProcessMember() {
    uint8_t raw[kLocalHeaderBytes];
    ReadRecordStart(raw, kLocalHeaderBytes, kReadLocalHeaderSpanned, kReadLocalHeader);
    DecodeLocalHeader(raw);
    const LocalHeader &h = ctx.localHeader;
    ctx.currentEntryEncrypted = (h.flags & kFlagBitEncrypted) != 0;
    ctx.descriptorFollows = (h.flags & kFlagBitDescriptor) != 0;
    ctx.memberBytesLeft = h.compressedSize;

    CheckNameLength(h.nameLength);
    // A member without a name can be neither a file nor a folder.
    if (h.nameLength == 0)
        ShowError(LookupString(kStrInvalidHeader));
    ReadName(h.nameLength, ctx.entryPath);
    ReadLocalExtra(h.extraLength);
    WalkTrace(kTraceMemberRead);

    int length = DecodeMemberName();
    if (IsSeparator(ctx.memberName[length - 1]))
        ProcessFolderMember();
    else
        ProcessFileMember();

    if (ctx.descriptorFollows)
        SkipArchiveBytes(kDescriptorSize);
    WalkTrace(kTraceMemberDone);
}

void SkipCentralRecord() {
    uint8_t raw[kCentralRecordBytes];
    if (!ReadExactly(raw, kCentralRecordBytes))
        ReadError(kReadCentralRecord);
    uint16_t nameLength = Field16(raw, kCentralNameLength);
    CheckNameLength(nameLength);
    ReadName(nameLength, ctx.entryPath);
    SkipArchiveBytes(Field16(raw, kCentralExtraLength));
    SkipArchiveBytes(Field16(raw, kCentralCommentLength));
}

void ReadEndRecord() {
    uint8_t raw[kEndRecordBytes];
    if (!ReadExactly(raw, kEndRecordBytes))
        ReadError(kReadEndRecord);
    SkipArchiveBytes(Field16(raw, kEndCommentLength));
}

static int Is(uint32_t value, const char *signature) {
    return value == ReadLe32((const uint8_t *)signature);
}

void WalkArchive() {
    for (;;) {
        uint8_t raw[kSignatureBytes];
        ReadRecordStart(raw, kSignatureBytes, kReadSignatureSpanned, kReadSignature);
        uint32_t signature = ReadLe32(raw);
        if (Is(signature, ctx.localSignature)) {
            ProcessMember();
        } else if (Is(signature, ctx.spanningSignature) && ctx.spanned) {
            continue;
        } else if (Is(signature, ctx.centralSignature)) {
            // A spanned archive's central directory lies on the last disk: never read.
            if (ctx.spanned)
                return;
            SkipCentralRecord();
        } else if (Is(signature, ctx.endSignature)) {
            ReadEndRecord();
            return;
        } else if (Is(signature, ctx.singleVolumeMarker)) {
            continue;
        } else if (!ctx.spanned) {
            ShowError(LookupString(kStrInvalidHeader));
        }
        // Spanned: anything else is passed over four bytes at a time.
    }
}

// The pass proper, under the guard: an exit leaves it at any point.
static void RunPass() {
    ForgetFolders();
    SetCursor(ctx.waitCursor);
    if (ctx.spanned)
        RequestDisk(1, ctx.exeVolumes);
    // A spanned archive's .ZIP volume holds the archive from offset 0.
    if ((!ctx.spanned || ctx.exeVolumes) && !SeekFromStart(ctx.archiveFile, configRecord.ArchiveOffset))
        ShowError(LookupString(kStrIoError));
    WalkArchive();
}

int ExtractionPass() {
    ctx.extractionRunning = 1;
    int code = GuardedCall(RunPass);
    // A failed pass's exit has set the status.
    if (code == kGuardDone)
        ctx.exitStatus = kExitUnzipped;
    ShowStatusNow();
    if (code != kGuardDone && ctx.outputFile) {
        // Whatever was written of the member stays on disk.
        _lclose(ctx.outputFile);
        ctx.outputFile = 0;
    }
    SetCursor(ctx.arrowCursor);
    ctx.extractionRunning = 0;
    return code;
}
