#include "builder/output/spanned_set.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

#include "archive/zip_format.h"
#include "builder/common/file_io.h"
#include "builder/common/system.h"
#include "builder/members/member_span.h"
#include "builder/output/output_check.h"
#include "builder/output/volume_names.h"
#include "builder/output/zip_writer.h"
#include "base/byte_order.h"
#include "image/config_record.h"

namespace {

// Filling volumes one after the other; only their sizes are kept.
struct VolumeFiller {
    SpanPlan &plan;
    uint32_t firstCapacity;
    uint32_t firstBase;
    uint32_t laterCapacity;
    bool firstEndsExactly;   // the first volume's bytes must fill it when data is cut there

    size_t Current() const { return plan.sizes.size() - 1; }
    uint32_t Capacity(size_t volume) const { return volume == 0 ? firstCapacity : laterCapacity; }
    uint32_t Base(size_t volume) const { return volume == 0 ? firstBase : 0; }
    uint64_t Room() const { return Capacity(Current()) - plan.sizes.back(); }
    void NewVolume() { plan.sizes.push_back(0); }

    // Places bytes that must not be cut, on a fresh volume when they do not
    // fit in this one; answers the volume and the file offset they start at.
    bool PlaceWhole(uint64_t n, const std::string &what, size_t &volume, uint32_t &offset, Failure &failure) {
        if (n > Room()) {
            if (n > laterCapacity)
                return Fail(failure, "", what + " (" + std::to_string(n) + " bytes) does not fit in one volume");
            NewVolume();
        }
        volume = Current();
        offset = Base(volume) + plan.sizes.back();
        plan.sizes.back() += (uint32_t)n;
        return true;
    }

    // Whether placing a member whose head, data and descriptor have these
    // sizes here would cut the data before the volume is full (to keep the
    // descriptor with the data's end) where the volume must end exactly at
    // its capacity: disk 1 of .EXE volumes, whose section is then padded
    // with zeros the walk would take as data.
    bool WouldCutShortOfEnd(uint64_t head, uint64_t data, uint64_t tail) const {
        if (Current() != 0 || !firstEndsExactly || tail == 0 || head > Room())
            return false;
        uint64_t room = Room() - head;
        return room >= data && room - data < tail;
    }

    // Places `n` bytes of data that may be cut anywhere, followed by `tail`
    // bytes (a data descriptor), which must stand in the same volume as the
    // data's last byte.
    void PlaceCuttable(uint64_t n, uint64_t tail) {
        while (n > 0) {
            uint64_t take = std::min(n, Room());
            if (take == n && Room() - take < tail)
                take = n - 1;   // keep at least the last byte for the descriptor's volume
            plan.sizes.back() += (uint32_t)take;
            n -= take;
            if (n > 0)
                NewVolume();
        }
        plan.sizes.back() += (uint32_t)tail;
    }
};

std::string MemberText(const ZipMember &member) {
    return "the header of member '" + MemberDisplayName(member) + "'";
}

// Cuts one stream of bytes into the planned volumes.
struct VolumeSplitter {
    const std::vector<uint32_t> &sizes;
    const VolumeSink &sink;
    size_t volume = 0;
    uint64_t written = 0;   // bytes of `volume` so far

    bool Put(const uint8_t *bytes, size_t n) {
        while (n > 0) {
            while (written == sizes[volume] && volume + 1 < sizes.size()) {
                volume++;
                written = 0;
            }
            size_t take = (size_t)std::min<uint64_t>(n, sizes[volume] - written);
            if (take == 0)
                take = n;   // past the plan: the last volume takes it, and the caller's check fails
            if (!sink(volume, bytes, take))
                return false;
            written += take;
            bytes += take;
            n -= take;
        }
        return true;
    }
};

}  // namespace

bool PlanSpannedArchive(const ZipArchive &archive, uint32_t firstCapacity, uint32_t firstBase, uint32_t laterCapacity,
                        SpanPlan &plan, Failure &failure) {
    if (archive.members.size() >= kZip64Marker16)
        return Fail(failure, "", "too many members for an archive without ZIP64");
    plan.sizes.assign(1, 0);
    VolumeFiller filler{plan, firstCapacity, firstBase, laterCapacity, firstBase != 0};
    if (firstCapacity < kSignatureBytes)
        return Fail(failure, "", "the self-extractor leaves no room for the archive on disk 1");
    size_t volume = 0;
    uint32_t offset = 0;
    filler.PlaceWhole(kSignatureBytes, "", volume, offset, failure);

    std::vector<size_t> volumes;
    std::vector<uint32_t> offsets;
    for (const ZipMember &member : archive.members) {
        // What the stub reads without changing volumes: the header, name and
        // extra field, the encryption header, and a folder's data (skipped
        // by a seek).
        uint64_t data = DataSize(member);
        uint64_t head = kLocalHeaderSize + member.name.size() + member.localExtra.size();
        uint64_t tail = (member.flags & kFlagBitDescriptor) ? kDescriptorSize : 0;
        uint64_t whole = IsFolderName(member.name)             ? data
                         : (member.flags & kFlagBitEncrypted) ? std::min<uint64_t>(kEncryptionHeaderSize, data)
                                                              : 0;
        head += whole;
        if (whole == data) {
            head += tail;
            tail = 0;
        }
        if (filler.WouldCutShortOfEnd(head, data - whole, tail))
            filler.NewVolume();
        if (!filler.PlaceWhole(head, MemberText(member), volume, offset, failure))
            return false;
        volumes.push_back(volume);
        offsets.push_back(offset);
        filler.PlaceCuttable(data - whole, tail);
    }

    // The central directory and the end record, whole on the last volume.
    std::vector<uint8_t> directory;
    for (size_t i = 0; i < archive.members.size(); i++)
        AppendCentralRecord(directory, archive.members[i], (uint16_t)volumes[i], offsets[i]);
    size_t blockSize = directory.size() + kEndRecordSize + archive.comment.size();
    size_t last = blockSize <= filler.Room() ? filler.Current() : filler.Current() + 1;
    if (last >= kZip64Marker16)
        return Fail(failure, "", "the set would need more than 65535 disks");
    DirectoryPlace place;
    place.thisDisk = place.directoryDisk = (uint16_t)last;
    place.entriesHere = place.entriesTotal = (uint16_t)archive.members.size();
    place.directorySize = (uint32_t)directory.size();
    place.directoryOffset = last == filler.Current() ? filler.Base(last) + plan.sizes.back() : 0;
    plan.directory = directory;
    AppendEndRecord(plan.directory, place, archive.comment);
    if (!filler.PlaceWhole(plan.directory.size(), "the central directory", volume, offset, failure))
        return false;
    plan.endRecordPosition = 0;
    for (uint32_t size : plan.sizes)
        plan.endRecordPosition += size;
    plan.endRecordPosition -= kEndRecordSize + archive.comment.size();
    return true;
}

bool StreamSpannedArchive(const ZipArchive &archive, const SpanPlan &plan, const VolumeSink &sink, Failure &failure) {
    failure = Failure();
    VolumeSplitter splitter{plan.sizes, sink};
    ByteSink put = [&](const uint8_t *bytes, size_t n) { return splitter.Put(bytes, n); };
    uint8_t signature[kSignatureBytes];
    WriteLe32(signature, kDescriptorSignature);
    if (!put(signature, sizeof signature))
        return false;
    for (const ZipMember &member : archive.members)
        if (!StreamLocalRecord(member, put, failure))
            return false;
    if (!put(plan.directory.data(), plan.directory.size()))
        return false;
    if (splitter.volume + 1 != plan.sizes.size() || splitter.written != plan.sizes.back())
        return Fail(failure, "", "the members changed size while mksfx wrote them");
    return true;
}

namespace {

// One file of the set: where it goes and its size.
struct SetFile {
    unsigned disk;
    std::string name;
    uint64_t size;
};

// Whether `name` is a file a set of this name puts on a disk: the image or
// a volume.
bool IsSetFileName(const std::string &name, const std::string &imageName, const std::string &stem) {
    return SameIgnoringCase(name, imageName) || SameIgnoringCase(name, VolumeFileName(stem, true)) ||
           SameIgnoringCase(name, VolumeFileName(stem, false));
}

// Makes a staging folder beside the set, with its disk folders.
bool MakeStaging(const std::string &staging, size_t disks, Failure &failure) {
    std::error_code error;
    if (!fs::create_directory(FsPath(staging), error))
        return Fail(failure, staging, "cannot create the staging folder: " + error.message());
    RemoveOnInterrupt(staging);
    for (unsigned disk = 1; disk <= disks; disk++)
        if (!fs::create_directory(FsPath(DiskFolder(staging, disk)), error))
            return Fail(failure, DiskFolder(staging, disk), error.message());
    return true;
}

// Writes the set's files into the staging folder as the archive streams:
// the self-extractor on disk 1 (with .EXE volumes holding the first volume),
// each other volume into its file, one volume file open at a time.
bool StageSet(const std::string &staging, const std::vector<SetFile> &files, const PreparedStub &stub,
              const std::vector<uint8_t> &textBlock, const RecordValues &values, bool stubCrc, bool exeVolumes,
              const ZipArchive &archive, const SpanPlan &plan, Failure &failure) {
    PendingFile image, volume;
    bool volumeOpen = false, volumeFailed = false;
    size_t open = 0;   // the volume `volume` holds while volumeOpen
    Failure volumeFailure;
    auto put = [&](const ByteSink &toImage, size_t index, const uint8_t *bytes, size_t n) {
        if (exeVolumes && index == 0)
            return toImage(bytes, n);
        if (!volumeOpen || index != open) {
            const SetFile &file = files[exeVolumes ? index : index + 1];
            std::string path = DiskFolder(staging, file.disk) + "/" + file.name;
            volumeFailed = (volumeOpen && !CommitPending(volume, volumeFailure)) || !OpenPending(path, volume, volumeFailure);
            if (volumeFailed)
                return false;
            volumeOpen = true;
            open = index;
        }
        volumeFailed = !WritePending(volume, bytes, n, volumeFailure);
        return !volumeFailed;
    };
    uint64_t imageSize = 0;
    std::string imagePath = DiskFolder(staging, 1) + "/" + files[0].name;
    if (!OpenPending(imagePath, image, failure))
        return false;
    auto feed = [&](const ByteSink &toImage, Failure &feedFailure) {
        return StreamSpannedArchive(archive, plan,
                                    [&](size_t index, const uint8_t *bytes, size_t n) {
                                        return put(toImage, index, bytes, n);
                                    },
                                    feedFailure);
    };
    bool done = WriteStreamedImage(stub, textBlock, exeVolumes ? plan.sizes[0] : 0, values, stubCrc, feed, image,
                                   imageSize, failure);
    if (!done && volumeFailed)
        Fail(failure, volume.path, volumeFailure.cause);   // the last volume opened successfully
    done = done && (!volumeOpen || CommitPending(volume, failure)) && CommitPending(image, failure);
    DiscardPending(volume);
    DiscardPending(image);
    return done;
}

// Removes the files of an earlier set from `diskFolder` that the new set
// does not put there (`keep`), and the folder when that empties it.
void RemoveStaleSetFiles(const std::string &diskFolder, const std::vector<std::string> &keep,
                         const std::string &imageName, const std::string &stem) {
    std::error_code error;
    std::vector<fs::path> stale;
    for (const auto &entry : fs::directory_iterator(FsPath(diskFolder), error)) {
        std::string name = Utf8Path(entry.path().filename());
        bool kept = false;
        for (const std::string &k : keep)
            kept = kept || k == name;
        if (!kept && IsSetFileName(name, imageName, stem) && entry.is_regular_file(error))
            stale.push_back(entry.path());
    }
    for (const fs::path &path : stale)
        fs::remove(path, error);
    if (fs::is_empty(FsPath(diskFolder), error))
        fs::remove(FsPath(diskFolder), error);
}

// Moves the staged set into place: each disk folder made where missing,
// each file renamed over the old one; then the files of an earlier set that
// the new one does not replace are removed, on its disks and on further
// diskN/ folders.
bool MoveSetIntoPlace(const std::string &staging, const std::string &folder, const std::vector<SetFile> &files,
                      size_t disks, const std::string &imageName, const std::string &stem, Failure &failure) {
    std::error_code error;
    for (unsigned disk = 1; disk <= disks; disk++) {
        std::string target = DiskFolder(folder, disk);
        if (!IsFolder(target) && !fs::create_directory(FsPath(target), error))
            return Fail(failure, target, error.message());
        std::vector<std::string> keep;
        for (const SetFile &file : files) {
            if (file.disk != disk)
                continue;
            std::string from = DiskFolder(staging, disk) + "/" + file.name, to = target + "/" + file.name;
            if (!MoveIntoPlace(from, to))
                return Fail(failure, to, LastErrorText());
            keep.push_back(file.name);
        }
        RemoveStaleSetFiles(target, keep, imageName, stem);
    }
    for (unsigned disk = (unsigned)disks + 1; IsFolder(DiskFolder(folder, disk)); disk++)
        RemoveStaleSetFiles(DiskFolder(folder, disk), {}, imageName, stem);
    return true;
}

}  // namespace

bool WriteSpannedSet(const PreparedStub &stub, const ZipArchive &archive, const ImageOptions &options,
                     const std::string &output, uint32_t diskSize, bool quiet, Failure &failure) {
    RecordValues values;
    if (!BaseRecordValues(stub, archive, options, values, failure))
        return false;
    values.flags |= kFlagSpanned;
    bool exeVolumes = (options.flags & kFlagExeVolumes) != 0;
    std::vector<uint8_t> textBlock = TextBlockBytes(options);
    values.archiveOffset = ArchiveOffsetFor(stub, textBlock);
    values.textBlockOffset = options.textBlock ? AppendedSectionStart(stub.bytes, stub.pe) : 0;

    // Disk 1 holds the self-extractor: with .EXE volumes the archive starts
    // inside it and must end on a file alignment boundary (the end of the
    // section and of the file); with .ZIP volumes NAME.ZIP shares the disk.
    uint64_t sectionStart = AppendedSectionStart(stub.bytes, stub.pe);
    uint64_t alone = sectionStart + AppendedSectionRawSize(stub.pe, textBlock.size());
    uint64_t usable = exeVolumes ? diskSize / stub.pe.fileAlignment * stub.pe.fileAlignment : diskSize;
    uint64_t firstRoom = exeVolumes ? (usable > values.archiveOffset ? usable - values.archiveOffset : 0)
                                    : (diskSize > alone ? diskSize - alone : 0);
    SpanPlan plan;
    if (!PlanSpannedArchive(archive, (uint32_t)firstRoom, exeVolumes ? values.archiveOffset : 0, diskSize, plan, failure))
        return Fail(failure, output, failure.cause + " (disk size " + std::to_string(diskSize) + ", self-extractor " +
                                         std::to_string(alone) + " bytes without the archive)");
    if (options.endRecordTest)
        values.endRecordOffset = (uint32_t)std::min<uint64_t>(values.archiveOffset + plan.endRecordPosition, 0xFFFFFFFFu);

    std::string folder = FolderOfPath(output), imageName = FileNameOfPath(output), stem = VolumeStem(output);
    std::vector<SetFile> files;
    files.push_back({1, imageName, sectionStart + AppendedSectionRawSize(stub.pe, textBlock.size() +
                                                                                  (exeVolumes ? plan.sizes[0] : 0))});
    for (size_t i = exeVolumes ? 1 : 0; i < plan.sizes.size(); i++)
        files.push_back({(unsigned)i + 1, VolumeFileName(stem, exeVolumes), plan.sizes[i]});
    if (!exeVolumes && SameIgnoringCase(imageName, VolumeFileName(stem, false)))
        return Fail(failure, output, "the self-extractor cannot be named like its .ZIP volume");

    for (const SetFile &file : files) {
        std::string target = DiskFolder(folder, file.disk) + "/" + file.name, refusal = OutputRefusal(target, "");
        if (!refusal.empty())
            return Fail(failure, target, refusal);
    }
    std::string staging = UniqueName(folder, ".mksfx-set-");
    bool done = MakeStaging(staging, plan.sizes.size(), failure) &&
                StageSet(staging, files, stub, textBlock, values, options.stubCrc, exeVolumes, archive, plan,
                         failure) &&
                MoveSetIntoPlace(staging, folder, files, plan.sizes.size(), imageName, stem, failure);
    std::error_code error;
    fs::remove_all(FsPath(staging), error);
    ForgetOnInterrupt(staging);
    if (!done)
        return false;
    for (size_t disk = 1; disk <= plan.sizes.size() && !quiet; disk++) {
        printf("disk%zu: label \"%s\":", disk, VolumeLabel((unsigned)disk).c_str());
        for (const SetFile &file : files)
            if (file.disk == disk)
                printf(" %s (%llu bytes)", (DiskFolder(folder, file.disk) + "/" + file.name).c_str(),
                       (unsigned long long)file.size);
        printf("\n");
    }
    return true;
}
