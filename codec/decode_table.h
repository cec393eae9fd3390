// Multi-level decode tables of one canonical Huffman code (RFC 1951 3.2.2),
// built when a block starts and released when it ends.
#pragma once
#include <stdint.h>

#include "codec/inflate.h"

// One table entry, four bytes:
//
//    byte 0      byte 1     bytes 2-3
//   +----------+----------+---------------------+
//   | Operation| CodeBits |        Value        |
//   +----------+----------+---------------------+
//
//   Operation  0..13   a length or distance: Value is the base, this many
//                      extra bits follow the code
//              15      end of block (symbol 256)
//              16      a literal: Value is the byte (a simple symbol)
//              17..32  a link: the next Operation - 16 bits index the
//                      sub-table that starts Value entries into the block
//              99      an invalid code
//   CodeBits   bits the entry takes from the stream; for a link, the bits
//              of the table that holds it
//
// All tables of one code share one block: the root table at entry 0, the
// sub-tables behind it. A code's entries fill every index of every table
// (unassigned codes of an incomplete code are entries with Operation 99).
struct HuffmanEntry {
    uint8_t Operation;
    uint8_t CodeBits;
    uint16_t Value;
};
static_assert(sizeof(HuffmanEntry) == 4, "table entries are packed into four bytes");

enum HuffmanOperation {
    kOpMaxExtraBits = 13,
    kOpEndOfBlock = 15,
    kOpLiteral = 16,
    kOpLinkBase = 16,            // a link is kOpLinkBase + sub-table bits
    kOpInvalid = 99,
};

// Builds the tables of the code given by n lengths (0 = no code) and answers
// a TableResult. Symbols
// below `simple` decode as themselves (literal below 256, end of block from
// 256 on); symbol i from `simple` on decodes as length/distance bases[i -
// simple] with extras[i - simple] extra bits (the lists may be null when
// every symbol is simple). *bits is the root lookup width asked for; it comes
// back as the width to look the root up with. A code with no symbols hands
// back no table and 0 bits. Allocation failure answers kTableNoMemory.
int BuildDecodeTable(const uint16_t *lengths, unsigned n, unsigned simple, const uint16_t *bases,
                     const uint8_t *extras, HuffmanEntry **table, unsigned *bits);

// Releases what BuildDecodeTable handed back (none is fine). Answers 0.
int FreeDecodeTables(HuffmanEntry *table);
