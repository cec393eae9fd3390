// Spanned sets: the archive spread over volume files of a bounded size, one
// per removable disk, in the form the stub reads: the spanning signature
// first, no signature or header cut by a volume's end (member data may be),
// each data descriptor in the same volume as the end of its data, and the
// central directory whole on the last disk.
#pragma once
#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "builder/common/failure.h"
#include "builder/members/zip_members.h"
#include "builder/output/image_build.h"

// Writes disk1/, disk2/ ... into the folder of `output`. Disk 1 holds the
// self-extractor under the name `output` gives; with ExeVolumes in
// options.flags the archive starts inside it and later disks hold
// <stem>.EXE volumes, otherwise the archive starts in <stem>.ZIP on disk 1
// and later disks hold <stem>.ZIP. `diskSize` bounds the bytes of volume
// files on each disk. The set is written into a staging folder beside it
// and moved into place only when complete; files of an earlier set that the
// new one does not replace (on its disks and on further diskN/ folders) are
// removed, and such a folder too when that empties it. Unless `quiet`,
// prints each disk's files and the volume label it must carry.
bool WriteSpannedSet(const PreparedStub &stub, const ZipArchive &archive, const ImageOptions &options,
                     const std::string &output, uint32_t diskSize, bool quiet, Failure &failure);

// The archive laid out over volumes: sizes[0] bytes go to disk 1.
struct SpanPlan {
    std::vector<uint32_t> sizes;        // each volume's bytes
    std::vector<uint8_t> directory;     // the central directory and end record, ending the last volume
    uint64_t endRecordPosition = 0;     // the end record's offset in the volumes laid end to end
};

// Lays `archive` out over volumes by the sizes of its parts alone (no data
// is read). The first volume takes at most `firstCapacity` bytes, and
// offsets stored for it count from `firstBase` (where it starts in its
// file; a first volume inside the self-extractor, firstBase not 0, is
// filled to the byte wherever data is cut at its end); later volumes take
// `laterCapacity` bytes from offset 0. Fails with the reason when a header,
// or the central directory, cannot fit in one volume.
bool PlanSpannedArchive(const ZipArchive &archive, uint32_t firstCapacity, uint32_t firstBase, uint32_t laterCapacity,
                        SpanPlan &plan, Failure &failure);

// Takes the next piece of volume `volume` (counted from 0); false stops
// the stream (the taker then says why).
using VolumeSink = std::function<bool(size_t volume, const uint8_t *bytes, size_t n)>;

// Writes the volumes `plan` lays out, in order, each member's data read in
// pieces as it goes (ReadMemberData): nothing of a member's or a volume's
// size is held. Fails as StreamArchive does.
bool StreamSpannedArchive(const ZipArchive &archive, const SpanPlan &plan, const VolumeSink &sink, Failure &failure);
