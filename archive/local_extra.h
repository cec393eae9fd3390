// The local header's extra field, kept while its member is processed so that
// the name and time decoders can look fields up by id.
#pragma once
#include <stdint.h>

// Reads the extra field behind the current member's name (length bytes).
// The first kLocalExtraCapacity bytes are kept; the rest is stepped over, so
// the archive stands exactly where skipping the field would have left it,
// also when the read comes short at the end of a file or a volume.
void ReadLocalExtra(uint32_t length);

// The body of the first kept field with this id, and its size; null when no
// such field lies wholly inside what was kept. The walk stops at the first
// field that runs past the kept bytes, so no body ever reaches beyond them.
const uint8_t *FindLocalExtraField(uint16_t id, uint16_t *size);

// The same look-up over any extra area of `length` bytes.
const uint8_t *FindExtraField(const uint8_t *area, uint32_t length, uint16_t id, uint16_t *size);
