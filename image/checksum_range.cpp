#include "image/checksum_range.h"

#include "base/byte_order.h"
#include "image/byte_compare.h"
#include "image/config_record.h"

enum { kStubCrcSize = 4, kDosHeaderSize = 64 };
static_assert(kStubCrcOffset + kStubCrcSize <= kConfigRecordSize, "StubCrc lies inside the record");
static_assert(kDosLfanewOffset + 4 <= kDosHeaderSize, "e_lfanew lies inside the DOS header");

int32_t FindMarker(const uint8_t *bytes, uint32_t n, const uint8_t *marker) {
    for (uint32_t at = 0; n >= kMarkerSize && at <= n - kMarkerSize; at++)
        if (bytes[at] == marker[0] && ByteCompare(bytes + at, marker, kMarkerSize) == 0)
            return (int32_t)at;
    return -1;
}

int64_t PrepareChecksumRange(uint8_t *copy, uint32_t n, int skipHeaders, const uint8_t *marker) {
    int32_t found = FindMarker(copy, n, marker);
    if (found < 0)
        return kChecksumNoMarker;
    uint32_t field = (uint32_t)found + kStubCrcOffset;
    for (uint32_t i = field; i < field + kStubCrcSize && i < n; i++)
        copy[i] = 0;
    if (!skipHeaders)
        return 0;
    if (n < kDosHeaderSize)
        return kChecksumNoLfanew;
    uint32_t lfanew = ReadLe32(copy + kDosLfanewOffset);
    if (lfanew > n || n - lfanew < kPeHeadersSize)
        return kChecksumHeadersPastEnd;
    return lfanew + kPeHeadersSize;
}
