#include "builder/output/pe_stub.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "builder/output/pe_format.h"
#include "base/byte_order.h"

uint32_t RoundUp(uint32_t value, uint32_t alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

static bool IsPowerOfTwo(uint32_t value) {
    return value != 0 && (value & (value - 1)) == 0;
}

static std::string Hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "0x%X", value);
    return text;
}

bool ParsePe(const std::vector<uint8_t> &bytes, PeFacts &facts, Failure &failure) {
    const uint8_t *b = bytes.data();
    if (bytes.size() < 64 || ReadLe16(b) != kDosSignatureValue) {
        return Fail(failure, "", "not a Windows executable (no MZ header)");
    }
    facts.lfanew = ReadLe32(b + kDosLfanewOffset);
    if ((uint64_t)facts.lfanew + kPeHeadersSize > bytes.size() || ReadLe32(b + facts.lfanew) != kPeSignatureValue) {
        return Fail(failure, "", "not a PE image (no PE signature where the DOS header points)");
    }
    const uint8_t *pe = b + facts.lfanew;
    if (ReadLe16(pe + kPeMachine) != kMachineI386 || ReadLe16(pe + kPeSizeOfOptionalHeader) != kPe32OptionalHeaderSize ||
        ReadLe16(pe + kPeMagic) != kPe32Magic) {
        return Fail(failure, "", "not a 32-bit x86 PE image with the standard optional header");
    }
    facts.numberOfSections = ReadLe16(pe + kPeNumberOfSections);
    facts.sectionTable = facts.lfanew + kPeHeadersSize;
    facts.fileAlignment = ReadLe32(pe + kPeFileAlignment);
    facts.sectionAlignment = ReadLe32(pe + kPeSectionAlignment);
    facts.sizeOfHeaders = ReadLe32(pe + kPeSizeOfHeaders);
    facts.entryPoint = ReadLe32(pe + kPeAddressOfEntryPoint);
    if (!IsPowerOfTwo(facts.fileAlignment) || facts.fileAlignment > 0x10000 ||
        !IsPowerOfTwo(facts.sectionAlignment) || facts.sectionAlignment < facts.fileAlignment) {
        return Fail(failure, "", "the PE header's file or section alignment is invalid");
    }
    if ((uint64_t)facts.sectionTable + (uint64_t)kSectionEntrySize * facts.numberOfSections > bytes.size()) {
        return Fail(failure, "", "the section table runs past the end of the file");
    }
    facts.firstRawData = (uint32_t)bytes.size();
    facts.endOfVirtual = 0;
    facts.endOfRawData = 0;
    for (unsigned i = 0; i < facts.numberOfSections; i++) {
        const uint8_t *entry = b + facts.sectionTable + i * kSectionEntrySize;
        uint32_t rawSize = ReadLe32(entry + kSectionSizeOfRawData);
        uint32_t rawPointer = ReadLe32(entry + kSectionPointerToRawData);
        uint32_t virtualSize = ReadLe32(entry + kSectionVirtualSize);
        uint64_t end = (uint64_t)ReadLe32(entry + kSectionVirtualAddress) + (virtualSize ? virtualSize : rawSize);
        if (rawSize != 0 && rawPointer < facts.firstRawData)
            facts.firstRawData = rawPointer;
        if (rawSize != 0 && (uint64_t)rawPointer + rawSize > facts.endOfRawData)
            facts.endOfRawData = (uint32_t)std::min<uint64_t>((uint64_t)rawPointer + rawSize, bytes.size());
        if (end > 0xFFFFFFFFu) {
            return Fail(failure, "", "a section lies beyond the 4 GiB address space");
        }
        if (end > facts.endOfVirtual)
            facts.endOfVirtual = (uint32_t)end;
    }
    facts.certificateOffset = facts.certificateSize = 0;
    if (ReadLe32(pe + kPeNumberOfRvaAndSizes) > kCertificateDirectoryIndex) {
        facts.certificateOffset = ReadLe32(pe + kPeCertificateDirectory);
        facts.certificateSize = ReadLe32(pe + kPeCertificateDirectory + 4);
    }
    return true;
}

bool StripCertificate(std::vector<uint8_t> &bytes, PeFacts &facts, bool &removed, Failure &failure) {
    removed = false;
    if (facts.certificateSize == 0)
        return true;
    uint64_t end = (uint64_t)facts.certificateOffset + facts.certificateSize;
    // Signing tools pad the table to 8 bytes.
    if (end > bytes.size() || RoundUp((uint32_t)end, 8) < bytes.size() || facts.certificateOffset < facts.sectionTable) {
        return Fail(failure, "", "the certificate table does not end the file, so it cannot be removed");
    }
    bytes.resize(facts.certificateOffset);
    memset(bytes.data() + facts.lfanew + kPeCertificateDirectory, 0, 8);
    facts.certificateOffset = facts.certificateSize = 0;
    removed = true;
    return true;
}

bool HasRoomForSection(const std::vector<uint8_t> &bytes, const PeFacts &facts, Failure &failure) {
    uint32_t entry = facts.sectionTable + facts.numberOfSections * kSectionEntrySize;
    uint32_t entryEnd = entry + kSectionEntrySize;
    bool zeros = entryEnd <= bytes.size();
    for (uint32_t at = entry; zeros && at < entryEnd; at++)
        zeros = bytes[at] == 0;
    if (entryEnd > facts.sizeOfHeaders || entryEnd > facts.firstRawData || !zeros) {
        return Fail(failure, "", "the PE headers have no room for another section table entry (the table ends at " + Hex(entry) +
              ", SizeOfHeaders is " + Hex(facts.sizeOfHeaders) + ", the first section starts at " +
              Hex(facts.firstRawData) + ")");
    }
    return true;
}

uint32_t AppendedSectionStart(const std::vector<uint8_t> &stub, const PeFacts &facts) {
    return RoundUp((uint32_t)stub.size(), facts.fileAlignment);
}

bool HasAppendedSection(const std::vector<uint8_t> &bytes, const PeFacts &facts) {
    for (unsigned i = 0; i < facts.numberOfSections; i++)
        if (memcmp(bytes.data() + facts.sectionTable + i * kSectionEntrySize + kSectionName, APPENDED_SECTION_NAME, 8) == 0)
            return true;
    return false;
}

uint32_t AppendedSectionRawSize(const PeFacts &facts, size_t payloadSize) {
    // An empty section would have neither raw nor virtual size.
    return payloadSize == 0 ? facts.fileAlignment : RoundUp((uint32_t)payloadSize, facts.fileAlignment);
}

void AppendSectionHeader(std::vector<uint8_t> &image, const PeFacts &facts, size_t payloadSize) {
    uint32_t start = AppendedSectionStart(image, facts);
    uint32_t rawSize = AppendedSectionRawSize(facts, payloadSize);
    image.resize(start, 0);

    uint8_t *entry = image.data() + facts.sectionTable + facts.numberOfSections * kSectionEntrySize;
    uint32_t virtualAddress = RoundUp(facts.endOfVirtual, facts.sectionAlignment);
    uint32_t virtualSize = RoundUp(rawSize, facts.sectionAlignment);
    memset(entry, 0, kSectionEntrySize);
    memcpy(entry + kSectionName, APPENDED_SECTION_NAME, 8);
    WriteLe32(entry + kSectionVirtualSize, virtualSize);
    WriteLe32(entry + kSectionVirtualAddress, virtualAddress);
    WriteLe32(entry + kSectionSizeOfRawData, rawSize);
    WriteLe32(entry + kSectionPointerToRawData, start);
    WriteLe32(entry + kSectionCharacteristics, kAppendedSectionCharacteristics);

    uint8_t *pe = image.data() + facts.lfanew;
    WriteLe16(pe + kPeNumberOfSections, (uint16_t)(facts.numberOfSections + 1));
    WriteLe32(pe + kPeSizeOfInitializedData, ReadLe32(pe + kPeSizeOfInitializedData) + rawSize);
    WriteLe32(pe + kPeSizeOfImage, virtualAddress + virtualSize);
}

void AppendSection(std::vector<uint8_t> &image, const PeFacts &facts, const std::vector<uint8_t> &payload) {
    AppendSectionHeader(image, facts, payload.size());
    size_t end = image.size() + AppendedSectionRawSize(facts, payload.size());
    image.insert(image.end(), payload.begin(), payload.end());
    image.resize(end, 0);
}

void AddToPeChecksum(PeChecksumRun &run, const uint8_t *bytes, size_t n) {
    // Little-endian 16-bit words at even file offsets; the carries are
    // folded back in once per piece (a sum of 16-bit words over a piece of
    // any size that fits in memory cannot overflow 64 bits).
    uint64_t sum = run.sum;
    size_t i = 0;
    if ((run.length & 1) && n > 0)
        sum += (uint32_t)bytes[i++] << 8;
    for (; i + 1 < n; i += 2)
        sum += bytes[i] | (uint32_t)bytes[i + 1] << 8;
    if (i < n)
        sum += bytes[i];
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    run.sum = sum;
    run.length += n;
}

uint32_t PeChecksumOf(const PeChecksumRun &run) {
    return (uint32_t)(run.sum + run.length);
}

uint32_t PeChecksum(const std::vector<uint8_t> &image, uint32_t lfanew) {
    size_t field = lfanew + kPeCheckSum;
    const uint8_t zeros[4] = {};
    PeChecksumRun run;
    AddToPeChecksum(run, image.data(), std::min(field, image.size()));
    if (field < image.size()) {
        size_t covered = std::min<size_t>(4, image.size() - field);
        AddToPeChecksum(run, zeros, covered);
        AddToPeChecksum(run, image.data() + field + covered, image.size() - field - covered);
    }
    return PeChecksumOf(run);
}
