// The stored form of the ResourceBlock and of the password dialog template.
// The data itself is generated at build time from the readable sources in
// image/resources/ by image/resources/make_resources.cpp; this header holds
// the layout both sides agree on.
#pragma once
#include <stdint.h>

enum ResourceLayout : uint32_t {
    kResourceStringCount = 52,       // strings 0..51
    kResourceOffsetCount = 53,       // one offset per string, then the main dialog template
    kResourceBufferSize = 5619,      // working buffer and lasting block of the ResourceBlock
    kResourceSentinelAt = 5617,      // two sentinel bytes end the working buffer
    kResourceContentLimit = kResourceSentinelAt,
    kMainTemplateCopySize = 1024,    // what start-up copies from the template's offset
    kPasswordBufferSize = 600,       // working buffer and block of the password template
    kTemplateTailSize = 8,           // zero bytes behind each expanded template
};

enum ResourceSentinel : uint8_t {
    kSentinelFirst = 0xDE,
    kSentinelSecond = 0xAD,
};

static_assert(kResourceSentinelAt + 2 == kResourceBufferSize, "the sentinel is the buffer's last two bytes");

// Entries 0..51: offset of string i in the expanded ResourceBlock; entry 52:
// offset of the main dialog template, which is also the length of the string
// area converted from the OEM code page. The stub finds the offsets in the
// expansion itself and keeps only entry 52 (a constant once compiled), so
// the table costs it no bytes.
extern const uint32_t resourceOffsets[kResourceOffsetCount];

// Raw Deflate streams (no wrapper) and their exact lengths.
extern const uint8_t compressedResourceBlock[];
extern const uint32_t compressedResourceBlockSize;
extern const uint8_t compressedPasswordTemplate[];
extern const uint32_t compressedPasswordTemplateSize;

// What the two streams expand to, tails included.
extern const uint32_t expandedResourceBlockSize;
extern const uint32_t expandedPasswordTemplateSize;
