// ZIP record layout, shared by the extractor's walk and the builder:
// signatures, fixed record sizes, the field offsets inside each record
// (counted from the first byte of its signature), flag bits, methods and the
// extra fields either side reads.
#pragma once
#include <stdint.h>

// The extractor never uses these values: its image must not hold a whole
// signature, so it assembles them at run time (image/signatures.cpp).
enum ZipSignatures : uint32_t {
    kLocalSignature = 0x04034B50,
    kCentralSignature = 0x02014B50,
    kEndSignature = 0x06054B50,
    kDescriptorSignature = 0x08074B50,   // also opens a spanned archive
    kZip64LocatorSignature = 0x07064B50,
    kZip64EndSignature = 0x06064B50,
    kSingleVolumeMarker = 0x30304B50,    // "PK00": a spanned archive on one volume
};

enum ZipRecordSizes {
    kLocalHeaderSize = 30,
    kCentralHeaderSize = 46,
    kEndRecordSize = 22,
    kDescriptorSize = 16,            // signed: signature, CRC, both sizes
    kZip64LocatorSize = 20,
    kZip64EndRecordSize = 56,        // without its extensible data
    kEncryptionHeaderSize = 12,      // traditional encryption, before the data
    kMaxCommentLength = 0xFFFF,
    kSignatureBytes = 4,
};

enum LocalHeaderFields {
    kLocalVersionNeeded = 4,
    kLocalFlags = 6,
    kLocalMethod = 8,
    kLocalTime = 10,
    kLocalDate = 12,
    kLocalCrc = 14,
    kLocalCompressedSize = 18,
    kLocalUncompressedSize = 22,
    kLocalNameLength = 26,
    kLocalExtraLength = 28,
};

enum CentralHeaderFields {
    kCentralVersionMadeBy = 4,
    kCentralVersionNeeded = 6,
    kCentralFlags = 8,
    kCentralMethod = 10,
    kCentralTime = 12,
    kCentralDate = 14,
    kCentralCrc = 16,
    kCentralCompressedSize = 20,
    kCentralUncompressedSize = 24,
    kCentralNameLength = 28,
    kCentralExtraLength = 30,
    kCentralCommentLength = 32,
    kCentralDiskStart = 34,
    kCentralInternalAttributes = 36,
    kCentralExternalAttributes = 38,
    kCentralLocalOffset = 42,
};

enum EndRecordFields {
    kEndThisDisk = 4,
    kEndDirectoryDisk = 6,
    kEndEntriesHere = 8,
    kEndEntriesTotal = 10,
    kEndDirectorySize = 12,
    kEndDirectoryOffset = 16,
    kEndCommentLength = 20,
};

enum ZipFlagBits : uint16_t {
    kFlagBitEncrypted = 0x1,
    kFlagBitDescriptor = 0x8,
    kFlagBitStrongEncryption = 0x40,
    kFlagBitUtf8 = 0x800,               // name and comment are UTF-8
    kFlagBitMaskedDirectory = 0x2000,   // central directory encryption
};

enum ZipMethods : uint16_t {
    kMethodStored = 0,
    kMethodDeflated = 8,
    kMethodAes = 99,
};

// The ZIP64 end record and its locator, which stands right before the end
// record.
enum Zip64EndFields {
    kZip64EndRecordLength = 4,         // u64: the size of the rest of the record
    kZip64EndThisDisk = 16,            // u32
    kZip64EndDirectoryDisk = 20,       // u32
    kZip64EndEntriesHere = 24,         // u64
    kZip64EndEntriesTotal = 32,        // u64
    kZip64EndDirectorySize = 40,       // u64
    kZip64EndDirectoryOffset = 48,     // u64
};
enum Zip64LocatorFields {
    kZip64LocatorEndDisk = 4,          // u32
    kZip64LocatorEndOffset = 8,        // u64
    kZip64LocatorDisks = 16,           // u32
};
enum ZipVersions : uint16_t {
    kVersionDefault = 20,              // 2.0: deflate, folders, traditional encryption
    kVersionZip64 = 45,                // 4.5: ZIP64 records
};

// Extra fields: each is an id (u16), a body size (u16) and the body.
enum ZipExtraIds : uint16_t {
    kExtraZip64 = 0x0001,
    kExtraNtfs = 0x000A,                // 64-bit FILETIMEs, UTC
    kExtraExtendedTime = 0x5455,        // Unix times, UTC
    kExtraInfoZipUnix = 0x5855,         // Info-ZIP's older Unix times (and ids), UTC
    kExtraUnicodePath = 0x7075,         // UTF-8 name beside a single-byte one
};
enum ZipExtraLayout { kExtraFieldHeaderSize = 4 };

// The Unicode Path extra field: a version byte, the CRC-32 of the stored
// name it stands for, then that name in UTF-8 (no NUL).
enum UnicodePathLayout {
    kUnicodePathVersion = 1,
    kUnicodePathCrc = 1,
    kUnicodePathName = 5,
};

// The NTFS field's body: 4 reserved bytes, then attributes, each a tag, a
// size and that many bytes. Tag 1 holds the modification, access and
// creation FILETIMEs, in that order.
enum NtfsLayout {
    kNtfsReserved = 4,
    kNtfsAttributeHeader = 4,        // tag (u16), size (u16)
    kNtfsTimesTag = 1,
    kNtfsTimesSize = 24,
};

// The extended-timestamp field's body in a local header: a flags byte, then
// one signed 32-bit Unix time for each flag set, the modification time
// (bit 0) first.
enum ExtendedTimeLayout {
    kExtendedTimeFlags = 0,
    kExtendedTimeModified = 1,
    kExtendedTimeMinSize = 5,        // the flags and the modification time
    kExtendedTimeHasModified = 0x01,
};

// The Info-ZIP Unix field's body: the access time, then the modification
// time (signed 32-bit Unix times); a local header may add the user and
// group ids behind them.
enum InfoZipUnixLayout {
    kInfoZipUnixModified = 4,
    kInfoZipUnixMinSize = 8,
};

// FILETIMEs count 100 ns from 1601-01-01; Unix times seconds from 1970-01-01.
static const int64_t kUnixEpochInFileTimeSeconds = 11644473600ll;
static const uint32_t kFileTimeTicksPerSecond = 10000000u;
static_assert(kUnixEpochInFileTimeSeconds + INT32_MIN > 0, "every 32-bit Unix time falls after 1601");

// Values that stand for "see the ZIP64 records" in the 16- and 32-bit fields.
enum : uint32_t { kZip64Marker32 = 0xFFFFFFFFu };
enum : uint16_t { kZip64Marker16 = 0xFFFF };

// The low byte of a central record's external attributes holds the MS-DOS
// attributes; tools that mark folders by them alone give no trailing '/'.
enum DosAttributes : uint32_t { kDosAttributeDirectory = 0x10 };
