// The stub holds no ZIP signature as contiguous bytes (a tool scanning the
// file for an archive must not find one inside the code or data), so each is
// put together at run time: the letter P, then a stored tail. The tail is
// copied with lstrcpyA, a call the compiler cannot fold back into one
// constant.
#include <stddef.h>

#include "context/extraction_context.h"
#include "image/image_checks.h"

enum { kSignatureLead = 0x50, kSignatureCount = 5 };

// In the order of the targets below; each is three bytes and a NUL.
static const char kSignatureTails[kSignatureCount][kSignatureSize - 1] = {
    {'K', 0x03, 0x04, 0},   // local header
    {'K', 0x01, 0x02, 0},   // central header
    {'K', 0x05, 0x06, 0},   // end record
    {'K', '0', '0', 0},     // single-volume marker
    {'K', 0x07, 0x08, 0},   // spanning marker and data descriptor
};

// The five targets are consecutive fields of the context, in the order of
// the tails.
#define SIGNATURE_AT(field) (offsetof(ExtractionContext, field) - offsetof(ExtractionContext, localSignature))
static_assert(SIGNATURE_AT(centralSignature) == 1 * kSignatureSize &&
                  SIGNATURE_AT(endSignature) == 2 * kSignatureSize &&
                  SIGNATURE_AT(singleVolumeMarker) == 3 * kSignatureSize &&
                  SIGNATURE_AT(spanningSignature) == 4 * kSignatureSize,
              "the signatures lie back to back");

void SetUpSignatures() {
    char *target = ctx.localSignature;
    for (int i = 0; i < kSignatureCount; i++, target += kSignatureSize) {
        target[0] = kSignatureLead;
        lstrcpyA(target + 1, kSignatureTails[i]);
    }
}
