#include "image/config_record.h"

#include "platform/win32.h"

// The stub's defaults: an incomplete image with no checksum, no TextBlock and
// no end-record test. The builder finds the marker and fills in the rest.
// In the stub the record lies among the constants (stub/stub.ld).
// Link-time optimisation sees every reader of it and no writer in the
// program; kept visible outside the program, the record can never be taken
// for a constant whose defaults are folded into the code.
#ifdef TARVEX_REAL_WIN32
#define PATCHED_BY_THE_BUILDER __attribute__((externally_visible, used, section(".rdata$config")))
#else
#define PATCHED_BY_THE_BUILDER
#endif

extern "C" {
PATCHED_BY_THE_BUILDER ConfigRecord configRecord = {
    {'K', 'V', 'B', 0x01, 's', 'f', 'x', 0x02},
    0, 0, 0, 0, 0, 0,
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    0,
    {8, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    0,
    {0, 0},
};
}
