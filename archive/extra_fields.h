// Extra fields, as the extractor and the builder both read them: the walk
// that finds a field by id, and the Unicode Path field a name may come from.
// Nothing here touches the extraction context.
#pragma once
#include <stdint.h>

// The body of the first field with this id in an extra area of `length`
// bytes, and its size; null when no such field lies wholly inside the area.
// The walk stops at the first field that runs past the area, so no body
// ever reaches beyond it.
const uint8_t *FindExtraField(const uint8_t *area, uint32_t length, uint16_t id, uint16_t *size);

// The UTF-8 name (no NUL) of the area's first Unicode Path field (0x7075)
// when that field stands for the stored name: version 1, `storedNameCrc`
// (the CRC-32 of the stored name) as its CRC, and a name of at least one
// byte; its length goes to *length. Null otherwise, and *length is left as
// it was: a field that fails a test is passed over, as one of an unknown
// kind is.
const char *UnicodePathName(const uint8_t *area, uint32_t length, uint32_t storedNameCrc, int *nameLength);

// Removes every field with this id that the walk reaches from the area,
// moving the fields behind it down, and answers the area's new length.
uint32_t DropExtraFields(uint8_t *area, uint32_t length, uint16_t id);
