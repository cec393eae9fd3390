#include "image/config_record.h"

// The stub's defaults: an incomplete image with no checksum, no TextBlock and
// no end-record test. The builder finds the marker and fills in the rest.
extern "C" {
ConfigRecord configRecord = {
    {'K', 'V', 'B', 0x01, 's', 'f', 'x', 0x02},
    0, 0, 0, 0, 0, 0,
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    0,
    {8, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    0,
    {0, 0},
};
}
