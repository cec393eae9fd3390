#include "archive/read_error.h"

#include "base/error_exit.h"
#include "context/extraction_context.h"
#include "image/resources.h"

void ReadError(int code) {
    char *text = ctx.messageBuffer;
    int n = wsprintfA(text, LookupString(kStrErrorReading), ctx.modulePath);
    wsprintfA(text + n, " <%d>", code);
    ShowError(text);
}
