// Assembling a self-extractor image: the stub, then the section _tarvex_
// with the TextBlock and the archive, the ConfigRecord filled in and the
// stub checksum computed last over the final bytes.
#pragma once
#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "builder/common/failure.h"
#include "builder/common/file_io.h"
#include "builder/members/member_span.h"
#include "builder/members/zip_members.h"
#include "builder/output/pe_stub.h"
#include "builder/output/text_block.h"

// A stub read and checked: a PE32 image with room for one more section and
// exactly one ConfigRecord marker.
struct PreparedStub {
    std::string path;
    std::vector<uint8_t> bytes;
    PeFacts pe;
    size_t recordOffset = 0;
    bool certificateRemoved = false;
};

// What the command line chose for the image.
struct ImageOptions {
    TextStrings texts;
    bool textBlock = true;          // false: TextBlockOffset 0, no TextBlock
    bool endRecordTest = true;      // false: EndRecordOffset 0
    bool stubCrc = true;            // false: StubCrc 0
    bool complete = true;           // false: Complete 0
    uint32_t flags = 0;             // ConfigFlags; Encrypted is added for encrypted members
};

// Reads the stub at `path` and checks it (ParsePe, room for a section, one
// marker, the whole record inside the file). A certificate table at its end
// is removed and reported in certificateRemoved.
bool PrepareStub(const std::string &path, PreparedStub &stub, Failure &failure);

// The bytes the image's section starts with: the TextBlock, or nothing
// without one.
std::vector<uint8_t> TextBlockBytes(const ImageOptions &options);

// File offset of the archive's first byte when the section starts with
// `textBlock`.
uint32_t ArchiveOffsetFor(const PreparedStub &stub, const std::vector<uint8_t> &textBlock);

// The record fields other than the marker and the checksum.
struct RecordValues {
    uint32_t archiveOffset = 0;
    uint32_t textBlockOffset = 0;
    uint32_t endRecordOffset = 0;
    uint32_t totalSize = 0;
    uint32_t flags = 0;
    int16_t complete = 0;
    uint32_t entryPoint = 0;
};

// The image's bytes in front of the archive: the stub with the section
// entry for a payload of the text block and `archiveSize` bytes, the text
// block, the record set to `values` and StubCrc sealed (left 0 when
// !stubCrc); the PE CheckSum is 0.
std::vector<uint8_t> ImageHead(const PreparedStub &stub, const std::vector<uint8_t> &textBlock, uint64_t archiveSize,
                               const RecordValues &values, bool stubCrc);

// The whole image in memory: the stub with the section holding `textBlock` and
// `archivePart`, the record set to `values` and StubCrc sealed over the
// final bytes (left 0 when !stubCrc).
std::vector<uint8_t> AssembleImage(const PreparedStub &stub, const std::vector<uint8_t> &textBlock,
                                   const std::vector<uint8_t> &archivePart, const RecordValues &values, bool stubCrc);

// Record values common to every image made with `options` from `archive`
// (flags, completeness, total size, entry point); fails when the total size
// does not fit in 32 bits.
bool BaseRecordValues(const PreparedStub &stub, const ZipArchive &archive, const ImageOptions &options,
                      RecordValues &values, Failure &failure);

// Writes a self-extractor holding the whole archive into `pending`, the
// members' data streamed through in pieces (nothing of the size of a member
// or of the image is held), the PE CheckSum summed on the way and written
// last. Answers the image's size.
bool WriteImage(const PreparedStub &stub, const ZipArchive &archive, const ImageOptions &options,
                PendingFile &pending, uint64_t &imageSize, Failure &failure);

// Feeds an image's archive part to `sink`; fails with the reason (left
// empty when `sink` refused).
using ArchiveFeed = std::function<bool(const ByteSink &sink, Failure &failure)>;

// Writes into `pending` the image of ImageHead for `archiveSize` bytes of
// archive, then what `feed` gives (archiveSize bytes), then zeros to the
// section's end, the PE CheckSum summed on the way and written last.
// Answers the image's size.
bool WriteStreamedImage(const PreparedStub &stub, const std::vector<uint8_t> &textBlock, uint64_t archiveSize,
                        const RecordValues &values, bool stubCrc, const ArchiveFeed &feed, PendingFile &pending,
                        uint64_t &imageSize, Failure &failure);
