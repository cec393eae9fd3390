#include "archive/read_error.h"

#include "base/error_exit.h"
#include "context/extraction_context.h"
#include "image/resources.h"

// The format gets the code's place behind string 36, so that the image's
// wide path and the code go into the box in one pass.
void ReadError(int code) {
    wsprintfA(ctx.messageBuffer, "%s <%%d>", LookupString(kStrErrorReading));
    ShowErrorAbout(ctx.messageBuffer, ctx.imagePath, code);
}
