#include "base/global_blocks.h"

void *LockedGlobalBlock(UINT flags, size_t size) {
    HGLOBAL block = GlobalAlloc(flags, size);
    if (!block)
        return 0;
    void *address = GlobalLock(block);
    if (!address)
        GlobalFree(block);
    return address;
}

void FreeLockedGlobal(const void *address) {
    if (!address)
        return;
    HGLOBAL block = GlobalHandle(address);
    GlobalUnlock(block);
    GlobalFree(block);
}
