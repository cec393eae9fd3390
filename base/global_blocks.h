// Locked blocks from the global heap: the lasting texts, the ResourceBlock,
// the password, and the short-lived copies (the stub checksum's, the dialog
// templates').
#pragma once
#include <stddef.h>

#include "platform/win32.h"

// A zero-filled block of size bytes, allocated with flags (GPTR, GHND or
// GMEM_ZEROINIT) and locked; null when either step fails (nothing is kept).
void *LockedGlobalBlock(UINT flags, size_t size);

// Unlocks and frees the block that LockedGlobalBlock answered address for;
// null is fine.
void FreeLockedGlobal(const void *address);
