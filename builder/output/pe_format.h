// PE32 header fields the builder reads and patches, as offsets from the
// start of the PE signature (e_lfanew) and inside one section table entry.
#pragma once
#include <stdint.h>

#include "image/config_record.h"

enum PeHeaderFields {
    kPeSignatureValue = 0x00004550,      // "PE\0\0"
    kDosSignatureValue = 0x5A4D,         // "MZ"
    kPeMachine = 4,
    kPeNumberOfSections = 6,
    kPeSizeOfOptionalHeader = 20,
    kPeOptionalHeader = 24,
    kPeMagic = kPeOptionalHeader + 0,
    kPeSizeOfInitializedData = kPeOptionalHeader + 8,
    kPeAddressOfEntryPoint = kPeOptionalHeader + 16,
    kPeSectionAlignment = kPeOptionalHeader + 32,
    kPeFileAlignment = kPeOptionalHeader + 36,
    kPeSizeOfImage = kPeOptionalHeader + 56,
    kPeSizeOfHeaders = kPeOptionalHeader + 60,
    kPeCheckSum = kPeOptionalHeader + 64,
    kPeNumberOfRvaAndSizes = kPeOptionalHeader + 92,
    kPeResourceDirectory = kPeOptionalHeader + 96 + 2 * 8,      // data directory 2
    kPeCertificateDirectory = kPeOptionalHeader + 96 + 4 * 8,   // data directory 4
};

static_assert((int)kPeAddressOfEntryPoint == (int)kEntryPointInPeHeaders, "entry point field shared with the stub's test");

enum PeSectionFields {
    kSectionName = 0,
    kSectionVirtualSize = 8,
    kSectionVirtualAddress = 12,
    kSectionSizeOfRawData = 16,
    kSectionPointerToRawData = 20,
    kSectionCharacteristics = 36,
};

enum PeValues : uint32_t {
    kMachineI386 = 0x14C,
    kPe32Magic = 0x10B,
    kPe32OptionalHeaderSize = 224,
    kResourceDirectoryIndex = 2,
    kCertificateDirectoryIndex = 4,
    // Initialised data, discardable, readable.
    kAppendedSectionCharacteristics = 0x42000040,
};

static_assert(4 + 20 + kPe32OptionalHeaderSize == kPeHeadersSize, "PE headers are 248 bytes");

// The resource tree: a directory (16 bytes, then its entries) for the type,
// one for the id, one for the language, then a data entry.
enum PeResourceLayout : uint32_t {
    kResourceDirectoryHeaderSize = 16,
    kResourceNamedEntries = 12,         // u16
    kResourceIdEntries = 14,            // u16
    kResourceEntrySize = 8,             // id (u32), offset (u32, high bit: a directory)
    kResourceSubdirectoryBit = 0x80000000u,
    kResourceDataEntrySize = 16,        // data RVA (u32), size (u32), code page, reserved
    kResourceTypeManifest = 24,         // RT_MANIFEST
    kProcessManifestId = 1,             // the manifest the loader reads for a program
};

// The name of the section that carries the TextBlock and the archive.
#define APPENDED_SECTION_NAME "_tarvex_"
static_assert(sizeof(APPENDED_SECTION_NAME) - 1 == 8, "section names are 8 bytes");
