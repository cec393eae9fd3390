#include "builder/image_checks.h"

#include <string.h>

#include "archive/crc32.h"
#include "image/byte_order.h"
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
                         std::string &why) {
    if (archiveOffset == 0 || archiveOffset > image.size()) {
        why = "the archive's recorded start is 0 or lies past the end of the file";
        return false;
    }
    std::vector<size_t> markers = FindMarkers(image, archiveOffset);
    if (markers.empty()) {
        why = "no marker inside the checksummed bytes";
        return false;
    }
    uint64_t start = 0;
    if (skipHeaders) {
        if (archiveOffset < kDosLfanewOffset + 4) {
            why = "the checksummed bytes end before e_lfanew";
            return false;
        }
        start = (uint64_t)ReadLe32(image.data() + kDosLfanewOffset) + kPeHeadersSize;
        if (start > archiveOffset) {
            why = "the PE headers end past the archive's start";
            return false;
        }
    }
    std::vector<uint8_t> copy(image.begin(), image.begin() + archiveOffset);
    for (size_t at = markers[0] + kStubCrcOffset; at < markers[0] + kStubCrcOffset + 4 && at < copy.size(); at++)
        copy[at] = 0;
    crc = Crc32Of(copy.data() + start, archiveOffset - start);
    return true;
}
