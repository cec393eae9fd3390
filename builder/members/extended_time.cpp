#include "builder/members/extended_time.h"

#include <stdint.h>

#include "archive/zip_format.h"
#include "base/byte_order.h"

std::vector<uint8_t> ExtendedTimeField(long long seconds) {
    if (seconds < INT32_MIN || seconds > INT32_MAX)
        return {};
    std::vector<uint8_t> field(kExtraFieldHeaderSize + kExtendedTimeMinSize);
    WriteLe16(field.data(), kExtraExtendedTime);
    WriteLe16(field.data() + 2, kExtendedTimeMinSize);
    field[kExtraFieldHeaderSize + kExtendedTimeFlags] = kExtendedTimeHasModified;
    WriteLe32(field.data() + kExtraFieldHeaderSize + kExtendedTimeModified, (uint32_t)(int32_t)seconds);
    return field;
}
