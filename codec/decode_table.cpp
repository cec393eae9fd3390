#include "codec/decode_table.h"

#include "codec/deflate_format.h"
#include "platform/win32.h"

enum TableLimits {
    kMaxSymbols = kFixedLiteralCodes,
    kMaxLevels = 16,              // root bits are at least 1 and codes at most 16 bits
    kMaxEntries = 0x10000,        // Value reaches every sub-table start
};

// What the counting steps learn about a code before any table is laid.
struct CodeShape {
    uint32_t count[kMaxLengthField + 1];   // codes per length, spare codes added to the longest
    uint16_t sorted[kMaxSymbols];          // symbols with a code, in code order
    unsigned used;                         // how many of `sorted` are real
    unsigned shortest;
    unsigned longest;
    unsigned rootBits;
};

// How wide a table opened at `covered` bits for a first code of length k
// must be: wide enough for that code, and wider while the codes still to
// come cannot fill the room left, up to `limit` bits (the root bits, or what
// the longest code still needs). Each level advances by the root bits, so no
// table may be wider than that: a code more than a level away only passes
// through this table (its links fill it), and a table at the limit does not
// grow, since its links are laid once and one bit more would miss them.
// Deflate's own complete codes never come near either case.
static unsigned TableWidth(const CodeShape &shape, unsigned k, unsigned covered, unsigned remaining) {
    unsigned limit = shape.longest - covered;
    if (limit > shape.rootBits)
        limit = shape.rootBits;
    unsigned width = k - covered;
    if (width >= limit)
        return limit;
    uint32_t room = 1u << width;
    if (room > remaining + 1) {
        room -= remaining + 1;
        unsigned length = k;
        while (++width < limit) {
            room <<= 1;
            if (room <= shape.count[++length])
                break;
            room -= shape.count[length];
        }
    }
    return width;
}

// Lays out the tables of the code (or, with no block, only measures them)
// and answers the number of entries they take. Codes are walked in
// canonical order as a bit-reversed counter, so that the stream's first bit
// is the lowest index bit; a code longer than the bits a level covers opens
// a sub-table and a link to it in the level above.
static uint32_t LayTables(const CodeShape &shape, unsigned simple, const uint16_t *bases, const uint8_t *extras,
                          HuffmanEntry *block) {
    const unsigned rootBits = shape.rootBits;
    uint32_t tableStart[kMaxLevels];
    uint32_t savedCode[kMaxLevels];       // each sub-table's prefix, to see when it is finished
    uint32_t tableSize = 0;
    uint32_t laid = 0;
    uint32_t code = 0;
    int level = -1;
    int covered = -(int)rootBits;
    unsigned next = 0;
    // One record serves every entry: an unassigned code keeps the Value of
    // the entry made before it.
    HuffmanEntry entry = {0, 0, 0};
    savedCode[0] = 0;

    for (unsigned k = shape.shortest; k <= shape.longest; k++) {
        for (unsigned remaining = shape.count[k]; remaining-- > 0;) {
            while ((int)k > covered + (int)rootBits) {
                level++;
                covered += rootBits;
                unsigned width = TableWidth(shape, k, (unsigned)covered, remaining);
                tableSize = 1u << width;
                tableStart[level] = laid;
                laid += tableSize;
                if (level > 0) {
                    savedCode[level] = code;
                    entry.Operation = (uint8_t)(kOpLinkBase + width);
                    entry.CodeBits = (uint8_t)rootBits;
                    entry.Value = (uint16_t)tableStart[level];
                    if (block)
                        block[tableStart[level - 1] + (code >> (covered - rootBits))] = entry;
                }
            }

            entry.CodeBits = (uint8_t)(k - covered);
            if (next >= shape.used) {
                entry.Operation = kOpInvalid;
            } else {
                unsigned symbol = shape.sorted[next++];
                if (symbol < simple) {
                    entry.Operation = symbol < kEndOfBlockSymbol ? kOpLiteral : kOpEndOfBlock;
                    entry.Value = (uint16_t)symbol;
                } else {
                    entry.Operation = (uint8_t)extras[symbol - simple];
                    entry.Value = bases[symbol - simple];
                }
            }
            if (block) {
                uint32_t step = 1u << (k - covered);
                for (uint32_t j = code >> covered; j < tableSize; j += step)
                    block[tableStart[level] + j] = entry;
            }

            uint32_t bit = 1u << (k - 1);
            while (code & bit) {
                code ^= bit;
                bit >>= 1;
            }
            code ^= bit;

            while ((code & ((1u << covered) - 1)) != savedCode[level]) {
                level--;
                covered -= rootBits;
            }
        }
    }
    return laid;
}

int BuildDecodeTable(const uint16_t *lengths, unsigned n, unsigned simple, const uint16_t *bases,
                     const uint8_t *extras, HuffmanEntry **table, unsigned *bits) {
    CodeShape shape;
    for (unsigned len = 0; len <= kMaxLengthField; len++)
        shape.count[len] = 0;
    for (unsigned i = 0; i < n; i++)
        shape.count[lengths[i]]++;
    *table = nullptr;
    if (shape.count[0] == n) {
        *bits = 0;
        return kTableComplete;
    }

    shape.shortest = 1;
    while (shape.count[shape.shortest] == 0)
        shape.shortest++;
    shape.longest = kMaxLengthField;
    while (shape.count[shape.longest] == 0)
        shape.longest--;
    unsigned rootBits = *bits;
    if (rootBits < shape.shortest)
        rootBits = shape.shortest;
    if (rootBits > shape.longest)
        rootBits = shape.longest;
    shape.rootBits = rootBits;
    *bits = rootBits;

    // Code space left at each length; what the longest length leaves
    // becomes spare codes, so the layout always covers every index.
    int32_t left = 1 << shape.shortest;
    for (unsigned len = shape.shortest; len < shape.longest; len++) {
        left -= shape.count[len];
        if (left < 0)
            return kTableOversubscribed;
        left *= 2;
    }
    left -= shape.count[shape.longest];
    if (left < 0)
        return kTableOversubscribed;
    shape.count[shape.longest] += (uint32_t)left;

    uint16_t offset[kMaxLengthField + 2];
    offset[1] = 0;
    for (unsigned len = 1; len < shape.longest; len++)
        offset[len + 1] = (uint16_t)(offset[len] + shape.count[len]);
    for (unsigned symbol = 0; symbol < n; symbol++)
        if (lengths[symbol] != 0)
            shape.sorted[offset[lengths[symbol]]++] = (uint16_t)symbol;
    shape.used = n - shape.count[0];

    uint32_t entries = LayTables(shape, simple, bases, extras, nullptr);
    // Not reachable with codes of at most 16 bits and at most 288 symbols,
    // but a Value that cannot name its sub-table must never be laid.
    if (entries > kMaxEntries)
        return kTableOversubscribed;
    HuffmanEntry *block = (HuffmanEntry *)LocalAlloc(LMEM_ZEROINIT, entries * sizeof(HuffmanEntry));
    if (!block)
        return kTableNoMemory;
    LayTables(shape, simple, bases, extras, block);
    *table = block;
    return (left != 0 && shape.longest != 1) ? kTableIncomplete : kTableComplete;
}

int FreeDecodeTables(HuffmanEntry *table) {
    if (table)
        LocalFree(table);
    return 0;
}
