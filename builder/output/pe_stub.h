// The stub as a PE32 file: what the builder needs to know about it and the
// one change it makes, appending the section that carries the payload.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "builder/common/failure.h"

struct PeFacts {
    uint32_t lfanew = 0;                // offset of the PE signature
    uint16_t numberOfSections = 0;
    uint32_t sectionTable = 0;          // lfanew + 248
    uint32_t fileAlignment = 0;
    uint32_t sectionAlignment = 0;
    uint32_t sizeOfHeaders = 0;
    uint32_t entryPoint = 0;
    uint32_t firstRawData = 0;          // lowest raw-data pointer of any section
    uint32_t endOfRawData = 0;          // highest raw-data pointer + raw size
    uint32_t endOfVirtual = 0;          // highest VirtualAddress + size of any section
    uint32_t certificateOffset = 0;     // data directory 4 (a file offset)
    uint32_t certificateSize = 0;
};

// Checks that `bytes` is a PE32 image for x86 (MZ and PE signatures, the 224-
// byte optional header, sane alignments and a section table inside the
// headers) and reads its facts. Fails with the reason.
bool ParsePe(const std::vector<uint8_t> &bytes, PeFacts &facts, Failure &failure);

// Removes an Authenticode certificate table that ends the file (signing the
// finished image is what makes sense), clearing data directory 4. Fails when
// a certificate table stands anywhere else. Answers in `removed` whether one
// was there.
bool StripCertificate(std::vector<uint8_t> &bytes, PeFacts &facts, bool &removed, Failure &failure);

// Whether the headers hold room for one more section table entry; fails with
// the reason when not.
bool HasRoomForSection(const std::vector<uint8_t> &bytes, const PeFacts &facts, Failure &failure);

// File offset at which the appended section's raw data will start: the
// stub's end rounded up to the file alignment.
uint32_t AppendedSectionStart(const std::vector<uint8_t> &stub, const PeFacts &facts);

// Whether a section named _tarvex_ is already there.
bool HasAppendedSection(const std::vector<uint8_t> &bytes, const PeFacts &facts);

// Raw size of the appended section for a payload of `payloadSize` bytes: a
// whole number of file alignment units, at least one.
uint32_t AppendedSectionRawSize(const PeFacts &facts, size_t payloadSize);

// Makes room for the section named _tarvex_ that will hold `payloadSize`
// bytes: pads the stub to the section start, writes the section table entry
// and updates NumberOfSections, SizeOfInitializedData and SizeOfImage. The
// payload and its padding (AppendedSectionRawSize) are the caller's to add.
void AppendSectionHeader(std::vector<uint8_t> &image, const PeFacts &facts, size_t payloadSize);

// AppendSectionHeader, then `payload` and zeros up to a whole number of
// file alignment units.
void AppendSection(std::vector<uint8_t> &image, const PeFacts &facts, const std::vector<uint8_t> &payload);

uint32_t RoundUp(uint32_t value, uint32_t alignment);

// The PE CheckSum of `image` (the field at `lfanew` + kPeCheckSum counted as
// zero): its 16-bit little-endian words summed with the carries folded back
// in, plus the file's length, as Windows' loader checks it for drivers and
// other tools check it for every image.
uint32_t PeChecksum(const std::vector<uint8_t> &image, uint32_t lfanew);

// The same sum taken as a file's bytes go by, in pieces of any size, for
// an image too large to hold; the CheckSum field must go by as zeros.
struct PeChecksumRun {
    uint64_t sum = 0;
    uint64_t length = 0;
};
void AddToPeChecksum(PeChecksumRun &run, const uint8_t *bytes, size_t n);
uint32_t PeChecksumOf(const PeChecksumRun &run);
