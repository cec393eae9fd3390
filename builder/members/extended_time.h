// The extended-timestamp extra field (0x5455) that folder input writes into
// each member's headers: the file's modification time in UTC, exact to the
// second, beside the MS-DOS time, which is local time and even seconds only.
#pragma once
#include <stdint.h>

#include <vector>

// The whole field (id, size, body: the flags byte with the modification bit
// and the signed 32-bit Unix time) for a time stamp in seconds since 1970;
// empty when the time does not fit in 32 signed bits.
std::vector<uint8_t> ExtendedTimeField(long long seconds);
