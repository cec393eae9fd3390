#include "builder/output/image_build.h"

#include <string.h>

#include "builder/common/file_io.h"
#include "builder/output/image_checks.h"
#include "builder/output/pe_format.h"
#include "builder/output/zip_writer.h"
#include "base/byte_order.h"
#include "image/config_record.h"

enum : uint16_t { kCompleteValue = 0xFFFF };
enum : uint32_t { kReserved2Value = 8 };   // the first u32 of the second reserved area, as images carry it

bool PrepareStub(const std::string &path, PreparedStub &stub, Failure &failure) {
    stub.path = path;
    if (!ReadWholeFile(path, stub.bytes, failure))
        return false;
    if (!ParsePe(stub.bytes, stub.pe, failure) || !StripCertificate(stub.bytes, stub.pe, stub.certificateRemoved, failure) ||
        !HasRoomForSection(stub.bytes, stub.pe, failure))
        return Fail(failure, path, failure.cause);   // the checks know the bytes, not the file
    if (HasAppendedSection(stub.bytes, stub.pe))
        return Fail(failure, path, "already carries a " APPENDED_SECTION_NAME " section (a finished image, not a stub)");
    std::vector<size_t> markers = FindMarkers(stub.bytes, stub.bytes.size());
    if (markers.size() != 1)
        return Fail(failure, path, "the configuration record's marker occurs " + std::to_string(markers.size()) +
                                       " times (it must occur exactly once)");
    stub.recordOffset = markers[0];
    if (stub.recordOffset + kConfigRecordSize > stub.bytes.size())
        return Fail(failure, path, "the configuration record runs past the end of the file");
    if (stub.recordOffset < stub.pe.firstRawData || stub.recordOffset + kConfigRecordSize > stub.pe.endOfRawData)
        return Fail(failure, path, "the configuration record lies outside the stub's sections");
    return true;
}

std::vector<uint8_t> TextBlockBytes(const ImageOptions &options) {
    return options.textBlock ? ComposeTextBlock(options.texts) : std::vector<uint8_t>();
}

uint32_t ArchiveOffsetFor(const PreparedStub &stub, const std::vector<uint8_t> &textBlock) {
    return AppendedSectionStart(stub.bytes, stub.pe) + (uint32_t)textBlock.size();
}

// Writes every field of the record except the marker; StubCrc is left 0.
static void PatchConfigRecord(uint8_t *record, const RecordValues &values) {
    memset(record + kMarkerSize, 0, kConfigRecordSize - kMarkerSize);
    WriteLe32(record + kArchiveOffsetOffset, values.archiveOffset);
    WriteLe32(record + kTextBlockOffsetOffset, values.textBlockOffset);
    WriteLe32(record + kEndRecordOffsetOffset, values.endRecordOffset);
    WriteLe32(record + kTotalSizeOffset, values.totalSize);
    WriteLe32(record + kFlagsOffset, values.flags);
    WriteLe16(record + kCompleteOffset, (uint16_t)values.complete);
    WriteLe32(record + kReserved2Offset, kReserved2Value);
    WriteLe32(record + kEntryPointOffset, values.entryPoint);
}

// Whether the PE CheckSum is filled in: not when the stub checksum covers
// the headers, as each would then change the other, and 0 says "no
// checksum" where a wrong one looks like tampering.
static bool WantsPeChecksum(const RecordValues &values, bool stubCrc) {
    return !(stubCrc && (values.flags & kFlagCrcSkipsHeaders) == 0);
}

std::vector<uint8_t> ImageHead(const PreparedStub &stub, const std::vector<uint8_t> &textBlock, uint64_t archiveSize,
                               const RecordValues &values, bool stubCrc) {
    std::vector<uint8_t> head = stub.bytes;
    AppendSectionHeader(head, stub.pe, (size_t)(textBlock.size() + archiveSize));
    head.insert(head.end(), textBlock.begin(), textBlock.end());
    PatchConfigRecord(head.data() + stub.recordOffset, values);
    // The stub checksum over the final bytes of everything before the
    // archive, with the PE CheckSum still 0.
    bool wholeStub = (values.flags & kFlagCrcSkipsHeaders) == 0;
    WriteLe32(head.data() + stub.pe.lfanew + kPeCheckSum, 0);
    uint32_t crc = 0;
    Failure unsealed;   // StubCrc left 0
    if (stubCrc && ComputeStubChecksum(head, values.archiveOffset, !wholeStub, crc, unsealed))
        WriteLe32(head.data() + stub.recordOffset + kStubCrcOffset, crc);
    return head;
}

std::vector<uint8_t> AssembleImage(const PreparedStub &stub, const std::vector<uint8_t> &textBlock,
                                   const std::vector<uint8_t> &archivePart, const RecordValues &values, bool stubCrc) {
    std::vector<uint8_t> image = ImageHead(stub, textBlock, archivePart.size(), values, stubCrc);
    size_t end = AppendedSectionStart(stub.bytes, stub.pe) +
                 AppendedSectionRawSize(stub.pe, textBlock.size() + archivePart.size());
    image.insert(image.end(), archivePart.begin(), archivePart.end());
    image.resize(end, 0);
    if (WantsPeChecksum(values, stubCrc))
        WriteLe32(image.data() + stub.pe.lfanew + kPeCheckSum, PeChecksum(image, stub.pe.lfanew));
    return image;
}

bool BaseRecordValues(const PreparedStub &stub, const ZipArchive &archive, const ImageOptions &options,
                      RecordValues &values, Failure &failure) {
    uint64_t total = TotalUncompressedSize(archive);
    if (total > 0xFFFFFFFFu)
        return Fail(failure, "", "the members add up to more than 4 GiB uncompressed");
    values.totalSize = (uint32_t)total;
    values.flags = options.flags | (AnyMemberEncrypted(archive) ? (uint32_t)kFlagEncrypted : 0u) |
                   (options.textBlock ? TextBlockFlags(options.texts) : 0u);
    values.complete = options.complete ? (int16_t)kCompleteValue : 0;
    values.entryPoint = stub.pe.entryPoint;
    return true;
}

bool WriteImage(const PreparedStub &stub, const ZipArchive &archive, const ImageOptions &options,
                PendingFile &pending, uint64_t &imageSize, Failure &failure) {
    RecordValues values;
    if (!BaseRecordValues(stub, archive, options, values, failure))
        return false;
    std::vector<uint8_t> textBlock = TextBlockBytes(options);
    values.archiveOffset = ArchiveOffsetFor(stub, textBlock);
    values.textBlockOffset = options.textBlock ? AppendedSectionStart(stub.bytes, stub.pe) : 0;
    uint64_t archiveSize = 0, endRecord = 0;
    if (!ArchiveLayout(archive, values.archiveOffset, archiveSize, endRecord, failure))
        return false;
    if (options.endRecordTest)
        values.endRecordOffset = values.archiveOffset + (uint32_t)endRecord;
    return WriteStreamedImage(stub, textBlock, archiveSize, values, options.stubCrc,
                              [&](const ByteSink &sink, Failure &feedFailure) {
                                  return StreamArchive(archive, values.archiveOffset, sink, feedFailure);
                              },
                              pending, imageSize, failure);
}

bool WriteStreamedImage(const PreparedStub &stub, const std::vector<uint8_t> &textBlock, uint64_t archiveSize,
                        const RecordValues &values, bool stubCrc, const ArchiveFeed &feed, PendingFile &pending,
                        uint64_t &imageSize, Failure &failure) {
    std::vector<uint8_t> head = ImageHead(stub, textBlock, archiveSize, values, stubCrc);

    // Everything after the head streams through, summed for the PE
    // CheckSum on the way; the sum goes into the head once all is written.
    PeChecksumRun checksum;
    bool writeFailed = false;
    auto put = [&](const uint8_t *bytes, size_t n) {
        AddToPeChecksum(checksum, bytes, n);
        writeFailed = !WritePending(pending, bytes, n, failure);
        return !writeFailed;
    };
    uint64_t end = AppendedSectionStart(stub.bytes, stub.pe) +
                   (uint64_t)AppendedSectionRawSize(stub.pe, (size_t)(textBlock.size() + archiveSize));
    uint64_t padding = end - head.size() - archiveSize;
    std::vector<uint8_t> zeros((size_t)padding, 0);
    if (!put(head.data(), head.size()) || !feed(put, failure) || !put(zeros.data(), zeros.size()))
        return Fail(failure, writeFailed ? pending.path : "", failure.cause);   // a read's reason names its file
    if (WantsPeChecksum(values, stubCrc)) {
        uint8_t field[4];
        WriteLe32(field, PeChecksumOf(checksum));
        if (!PatchPending(pending, stub.pe.lfanew + kPeCheckSum, field, sizeof field, failure))
            return false;
    }
    imageSize = end;
    return true;
}
