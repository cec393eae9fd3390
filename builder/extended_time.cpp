#include "builder/extended_time.h"

#include <stdint.h>

#include "archive/zip_format.h"
#include "image/byte_order.h"

namespace {

enum ExtendedTimeBody {
    kFlagModified = 0x01,
    kBodySize = 5,            // flags, modification time
};

}  // namespace

std::vector<uint8_t> ExtendedTimeField(long long seconds) {
    if (seconds < INT32_MIN || seconds > INT32_MAX)
        return {};
    std::vector<uint8_t> field(kExtraFieldHeaderSize + kBodySize);
    WriteLe16(field.data(), kExtraExtendedTime);
    WriteLe16(field.data() + 2, kBodySize);
    field[kExtraFieldHeaderSize] = kFlagModified;
    WriteLe32(field.data() + kExtraFieldHeaderSize + 1, (uint32_t)(int32_t)seconds);
    return field;
}
