// The stub holds no ZIP signature as contiguous bytes (a tool scanning the
// file for an archive must not find one inside the code or data), so each is
// put together at run time: the letter P, then a stored tail. The tail is
// copied with lstrcpyA, a call the compiler cannot fold back into one
// constant.
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

void SetUpSignatures() {
    char *const targets[kSignatureCount] = {ctx.localSignature, ctx.centralSignature, ctx.endSignature,
                                            ctx.singleVolumeMarker, ctx.spanningSignature};
    for (int i = 0; i < kSignatureCount; i++) {
        targets[i][0] = kSignatureLead;
        lstrcpyA(targets[i] + 1, kSignatureTails[i]);
    }
}
