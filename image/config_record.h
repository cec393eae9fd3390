// The ConfigRecord: 60 packed little-endian bytes in the stub's initialised
// data, patched by the builder and read as plain data at run time.
//
//   offset  width  field
//   0       8      Marker           "KVB" 01 "sfx" 02 (found by the checksum test)
//   8       u32    StubCrc          CRC-32 of the stub, 0 = no checksum test
//   12      u32    ArchiveOffset    file offset of the first local header
//   16      u32    TextBlockOffset  file offset of the TextBlock, 0 = none
//   20      u32    EndRecordOffset  file offset of the end record, 0 = no test
//   24      u32    TotalSize        sum of uncompressed member sizes
//   28      u32    Flags            option bits below
//   32      10     reserved
//   42      i16    Complete         0 = incomplete image
//   44      10     reserved         (the builder writes 8 in the first u32)
//   54      u32    EntryPoint       AddressOfEntryPoint the image must carry
//   58      2      reserved
#pragma once
#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)
struct ConfigRecord {
    uint8_t Marker[8];
    uint32_t StubCrc;
    uint32_t ArchiveOffset;
    uint32_t TextBlockOffset;
    uint32_t EndRecordOffset;
    uint32_t TotalSize;
    uint32_t Flags;
    uint8_t Reserved1[10];
    int16_t Complete;
    uint8_t Reserved2[10];
    uint32_t EntryPoint;
    uint8_t Reserved3[2];
};
#pragma pack(pop)

static_assert(sizeof(ConfigRecord) == 60, "ConfigRecord is 60 packed bytes");
static_assert(offsetof(ConfigRecord, StubCrc) == 8, "StubCrc follows the marker");
static_assert(offsetof(ConfigRecord, Flags) == 28, "Flags at 28");
static_assert(offsetof(ConfigRecord, Complete) == 42, "Complete at 42");
static_assert(offsetof(ConfigRecord, EntryPoint) == 54, "EntryPoint at 54");

enum ConfigRecordLayout {
    kConfigRecordSize = 60,
    kMarkerSize = 8,
    kStubCrcOffset = 8,
    kArchiveOffsetOffset = 12,
    kTextBlockOffsetOffset = 16,
    kEndRecordOffsetOffset = 20,
    kTotalSizeOffset = 24,
    kFlagsOffset = 28,
    kCompleteOffset = 42,
    kReserved2Offset = 44,
    kEntryPointOffset = 54,
};

// The marker bytes. The stub's own record starts with them; the builder and
// the checksum test search the file for them.
#define CONFIG_MARKER_BYTES "KVB\x01sfx\x02"

// Flags bits. Bits not listed are ignored by the extractor.
enum ConfigFlags : uint32_t {
    kFlagOverwriteDefault = 0x2,
    kFlagHasTitle = 0x10,
    kFlagEncrypted = 0x100,
    kFlagAutoMode = 0x200,
    kFlagCrcSkipsHeaders = 0x800,
    kFlagSpanned = 0x1000,
    kFlagExeVolumes = 0x8000,
    kFlagInstallVerb = 0x20000,
    kFlagTitleInWindow = 0x40000,
    kFlagPromptButtons = 0x80000,
    kFlagPromptOkCancel = 0x100000,
    kFlagRunCommand = 0x1000000,   // the TextBlock's second string holds the after-unzip command
    kFlagUtf8Text = 0x2000000,     // the TextBlock is UTF-8; without it, text of the ANSI code page
};

// TextBlock limits: the whole block in bytes, and the capacity of each
// string in characters as the stub holds them once decoded (UTF-16 units,
// without the terminator).
enum TextBlockLimits {
    kTextBlockMax = 1256,
    kFolderCapacity = 260,
    kPromptCapacity = 513,
    kTitleCapacity = 64,
    kInfoCapacity = 511,
    kRunCapacity = 256,            // the after-unzip command, and its arguments, each
};

// With RunCommand the second string is the command, this separator and the
// arguments (a file name holds no control character).
const char kRunSeparator = '\n';

// PE layout facts the image checks and the builder share.
enum PeLayout {
    kDosLfanewOffset = 0x3C,
    kPeHeadersSize = 248,          // signature + file header + PE32 optional header
    kEntryPointInPeHeaders = 40,   // AddressOfEntryPoint within those 248 bytes
    kSectionEntrySize = 40,
};

// The stub's record, defined in its own translation unit so that no reader
// can fold the defaults: the builder patches it in the file. Host tests set
// its fields directly.
extern "C" ConfigRecord configRecord;
