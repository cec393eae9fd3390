// The stub's own view of an image, shared by the builder (to seal what it
// wrote) and by `mksfx info` (to check what it reads): the marker search and
// the stub checksum.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "builder/common/failure.h"

struct PeFacts;

// Positions of every occurrence of the ConfigRecord marker in [0, limit).
std::vector<size_t> FindMarkers(const std::vector<uint8_t> &bytes, size_t limit);

// The stub checksum of `image` as the stub computes it over [start, n) with
// n = archiveOffset: the StubCrc field behind the first marker counted as
// zero, start = e_lfanew + 248 when skipHeaders. Fails with the reason when
// the stub's test would end in "header corrupt" before comparing (n of 0 or
// past the file's end, no marker wholly inside the n bytes, start past n).
bool ComputeStubChecksum(const std::vector<uint8_t> &image, uint32_t archiveOffset, bool skipHeaders, uint32_t &crc,
                         Failure &failure);

// The application manifest that Windows reads when it starts the image
// (resource type 24, id 1, its first language), found through the resource
// directory of `pe`. False when the image has none or its resource tree
// cannot be followed.
bool FindProcessManifest(const std::vector<uint8_t> &image, const PeFacts &pe, std::string &manifest);
