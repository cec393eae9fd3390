// Packing members as their bytes stream in: deflated at the chosen level, or
// stored when that is not smaller, into the spool, scratch files beside the
// output that hold the data a build makes until the image is written. No
// member is then held in memory whatever its size: a member of up to
// kWholeMember bytes is deflated whole (libdeflate, as member_deflate.h
// says), a larger one through zlib's streaming deflate, which needs no room
// for it but gives a little more output at the same level.
#pragma once
#include <stdint.h>
#include <stdio.h>

#include <functional>
#include <string>

#include "builder/common/failure.h"
#include "builder/members/member_span.h"
#include "builder/members/zip_members.h"

enum : uint64_t { kWholeMember = 32u << 20 };

struct SpoolFile {
    std::string path;
    FILE *file = nullptr;
    uint64_t end = 0;       // where the next bytes go
};

struct Spool {
    SpoolFile packed;       // members' data as the image carries it
    SpoolFile plain;        // a large member's plain bytes read only once, kept in case storing it wins
};

// A spool position to go back to.
struct SpoolMark {
    uint64_t packed = 0;
    uint64_t plain = 0;
};

// Creates the spool's files in `folder`, to be removed if the process is
// interrupted; fails with the reason and leaves nothing.
bool OpenSpool(const std::string &folder, Spool &spool, Failure &failure);

// Closes and removes the spool's files (the image must be written by then).
void CloseSpool(Spool &spool);

SpoolMark MarkSpool(const Spool &spool);

// Forgets what was written after `mark`; later writes go over it.
bool RewindSpool(Spool &spool, const SpoolMark &mark);

// Appends to the packed file; the member's span then runs from `from`.
bool AppendToSpool(Spool &spool, const uint8_t *bytes, size_t n, Failure &failure);
DataSpan SpooledSince(Spool &spool, uint64_t from);

// A member's plain bytes, fed to `take` piece by piece; false with the cause
// on a read error, or when `take` answers false (the cause then left empty).
using PlainFeed = std::function<bool(const ByteSink &take, Failure &failure)>;

// Packs the plain bytes `feed` gives at `level` (0 stores them): sets the
// member's crc, uncompressedSize, method and data, a span of the spool.
// `again`, when its file is set, is where the plain bytes lie as they are
// (a folder's file): a large member stored is taken from there, its CRC
// checked again as it is written, rather than copied into the spool.
// Without `again` and without `keepPlain`, a large member that deflate does
// not make smaller is left with method stored and no data (the caller keeps
// what it had). Fails with the reason (empty when `feed` stopped without
// one), and at 4 GiB of plain bytes.
bool PackMember(const PlainFeed &feed, int level, const DataSpan &again, bool keepPlain, Spool &spool,
                ZipMember &member, Failure &failure);
