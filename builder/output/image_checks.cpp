#include "builder/output/image_checks.h"

#include <string.h>

#include "base/crc32.h"
#include "builder/output/pe_format.h"
#include "builder/output/pe_stub.h"
#include "base/byte_order.h"
#include "image/checksum_range.h"
#include "image/config_record.h"

std::vector<size_t> FindMarkers(const std::vector<uint8_t> &bytes, size_t limit) {
    std::vector<size_t> found;
    if (limit > bytes.size())
        limit = bytes.size();
    for (size_t at = 0; at + kMarkerSize <= limit; at++)
        if (memcmp(bytes.data() + at, CONFIG_MARKER_BYTES, kMarkerSize) == 0)
            found.push_back(at);
    return found;
}

bool ComputeStubChecksum(const std::vector<uint8_t> &image, uint32_t archiveOffset, bool skipHeaders, uint32_t &crc,
                         Failure &failure) {
    if (archiveOffset == 0 || archiveOffset > image.size()) {
        return Fail(failure, "", "the archive's recorded start is 0 or lies past the end of the file");
    }
    std::vector<uint8_t> copy(image.begin(), image.begin() + archiveOffset);
    int64_t start = PrepareChecksumRange(copy.data(), archiveOffset, skipHeaders, (const uint8_t *)CONFIG_MARKER_BYTES);
    switch (start) {
    case kChecksumNoMarker:
        return Fail(failure, "", "no marker inside the checksummed bytes");
    case kChecksumNoLfanew:
        return Fail(failure, "", "the checksummed bytes end before e_lfanew");
    case kChecksumHeadersPastEnd:
        return Fail(failure, "", "the PE headers end past the archive's start");
    }
    crc = Crc32Of(copy.data() + start, archiveOffset - start);
    return true;
}

namespace {

// The file offset of `size` bytes at `rva`, through the section table; false
// when no section holds them wholly in the file.
bool FileOffsetOf(const std::vector<uint8_t> &image, const PeFacts &pe, uint32_t rva, uint32_t size, size_t &at) {
    for (unsigned i = 0; i < pe.numberOfSections; i++) {
        const uint8_t *entry = image.data() + pe.sectionTable + i * kSectionEntrySize;
        uint32_t start = ReadLe32(entry + kSectionVirtualAddress);
        uint32_t rawSize = ReadLe32(entry + kSectionSizeOfRawData);
        uint64_t offset = (uint64_t)ReadLe32(entry + kSectionPointerToRawData) + (rva - start);
        if (rva >= start && (uint64_t)rva + size <= (uint64_t)start + rawSize && offset + size <= image.size()) {
            at = (size_t)offset;
            return true;
        }
    }
    return false;
}

// The target of the entry for `id` in the resource directory at `directory`
// (an offset from the tree's start at `tree`), or of its first entry when id
// is 0; false when there is none.
bool FindResourceEntry(const std::vector<uint8_t> &image, size_t tree, size_t treeSize, uint32_t directory, uint32_t id,
                       uint32_t &target) {
    if ((uint64_t)directory + kResourceDirectoryHeaderSize > treeSize)
        return false;
    const uint8_t *header = image.data() + tree + directory;
    uint32_t count = (uint32_t)ReadLe16(header + kResourceNamedEntries) + ReadLe16(header + kResourceIdEntries);
    for (uint32_t i = 0; i < count; i++) {
        uint64_t at = (uint64_t)directory + kResourceDirectoryHeaderSize + (uint64_t)i * kResourceEntrySize;
        if (at + kResourceEntrySize > treeSize)
            return false;
        const uint8_t *entry = image.data() + tree + at;
        if (id == 0 || ReadLe32(entry) == id) {
            target = ReadLe32(entry + 4);
            return true;
        }
    }
    return false;
}

}  // namespace

bool FindProcessManifest(const std::vector<uint8_t> &image, const PeFacts &pe, std::string &manifest) {
    const uint8_t *headers = image.data() + pe.lfanew;
    if (ReadLe32(headers + kPeNumberOfRvaAndSizes) <= kResourceDirectoryIndex)
        return false;
    uint32_t treeRva = ReadLe32(headers + kPeResourceDirectory);
    uint32_t treeSize = ReadLe32(headers + kPeResourceDirectory + 4);
    size_t tree;
    if (treeRva == 0 || !FileOffsetOf(image, pe, treeRva, treeSize, tree))
        return false;
    // Type, id and language: the first two are directories, the last a data entry.
    const uint32_t path[] = {kResourceTypeManifest, kProcessManifestId, 0};
    uint32_t at = 0;
    for (int level = 0; level < 3; level++) {
        uint32_t target;
        bool directory = level < 2;
        if (!FindResourceEntry(image, tree, treeSize, at, path[level], target) ||
            ((target & kResourceSubdirectoryBit) != 0) != directory)
            return false;
        at = target & ~kResourceSubdirectoryBit;
    }
    size_t data;
    if ((uint64_t)at + kResourceDataEntrySize > treeSize)
        return false;
    const uint8_t *entry = image.data() + tree + at;
    uint32_t size = ReadLe32(entry + 4);
    if (!FileOffsetOf(image, pe, ReadLe32(entry), size, data))
        return false;
    manifest.assign((const char *)image.data() + data, size);
    return true;
}
