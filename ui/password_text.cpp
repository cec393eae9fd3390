#include "ui/password_text.h"

#include "base/global_blocks.h"
#include "context/extraction_context.h"

static void ReleasePassword() {
    FreeLockedGlobal(ctx.passwordText);
    ctx.passwordText = nullptr;
}

int StorePassword(const char *text, int length) {
    if (length <= 0)
        return 0;
    if (ctx.passwordText)
        ReleasePassword();
    ctx.passwordText = (char *)LockedGlobalBlock(GMEM_ZEROINIT, (size_t)length + 1);
    if (!ctx.passwordText)
        return 0;
    // Exactly length bytes: the block is zero-filled, so the copy ends there
    // whatever text holds beyond.
    for (int i = 0; i < length; i++)
        ctx.passwordText[i] = text[i];
    return 1;
}
