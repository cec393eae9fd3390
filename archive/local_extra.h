// The local header's extra field, kept while its member is processed so that
// the name and time decoders can look fields up by id
// (archive/extra_fields.h).
#pragma once
#include <stdint.h>

// Reads the extra field behind the current member's name (length bytes).
// The first kLocalExtraCapacity bytes are kept; the rest is stepped over, so
// the archive stands exactly where skipping the field would have left it,
// also when the read comes short at the end of a file or a volume.
void ReadLocalExtra(uint32_t length);
