#include "ui/password_text.h"

#include "context/extraction_context.h"

static void ReleasePassword() {
    GlobalUnlock(GlobalHandle(ctx.passwordText));
    GlobalFree(GlobalHandle(ctx.passwordText));
    ctx.passwordText = nullptr;
}

int StorePassword(const char *text, int length) {
    if (length <= 0)
        return 0;
    if (ctx.passwordText)
        ReleasePassword();
    HGLOBAL block = GlobalAlloc(GMEM_ZEROINIT, (size_t)length + 1);
    if (!block)
        return 0;
    ctx.passwordText = (char *)GlobalLock(block);
    if (!ctx.passwordText)
        return 0;
    // Exactly length bytes: the block is zero-filled, so the copy ends there
    // whatever text holds beyond.
    for (int i = 0; i < length; i++)
        ctx.passwordText[i] = text[i];
    return 1;
}
