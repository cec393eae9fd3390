#include "builder/spanned_set.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

#include "builder/file_io.h"
#include "builder/member_span.h"
#include "builder/output_check.h"
#include "builder/system.h"
#include "builder/volume_names.h"
#include "archive/zip_format.h"
#include "builder/zip_writer.h"
#include "image/byte_order.h"
#include "image/config_record.h"

namespace {

// Filling volumes one after the other.
struct VolumeFiller {
    SpanPlan &plan;
    uint32_t firstCapacity;
    uint32_t firstBase;
    uint32_t laterCapacity;
    bool firstEndsExactly;   // the first volume's bytes must fill it when data is cut there

    size_t Current() const { return plan.parts.size() - 1; }
    uint32_t Capacity(size_t volume) const { return volume == 0 ? firstCapacity : laterCapacity; }
    uint32_t Base(size_t volume) const { return volume == 0 ? firstBase : 0; }
    size_t Room() const { return Capacity(Current()) - plan.parts.back().size(); }
    void NewVolume() { plan.parts.emplace_back(); }

    // Places bytes that must not be cut, on a fresh volume when they do not
    // fit in this one; answers the volume and the file offset they start at.
    bool PlaceWhole(const std::vector<uint8_t> &bytes, const std::string &what, size_t &volume, uint32_t &offset,
                    std::string &why) {
        if (bytes.size() > Room()) {
            if (bytes.size() > laterCapacity) {
                why = what + " (" + std::to_string(bytes.size()) + " bytes) does not fit in one volume";
                return false;
            }
            NewVolume();
        }
        volume = Current();
        offset = Base(volume) + (uint32_t)plan.parts.back().size();
        plan.parts.back().insert(plan.parts.back().end(), bytes.begin(), bytes.end());
        return true;
    }

    // Whether placing a member whose head, data and descriptor have these
    // sizes here would cut the data before the volume is full (to keep the
    // descriptor with the data's end) where the volume must end exactly at
    // its capacity: disk 1 of .EXE volumes, whose section is then padded
    // with zeros the walk would take as data.
    bool WouldCutShortOfEnd(size_t head, size_t data, size_t tail) const {
        if (Current() != 0 || !firstEndsExactly || tail == 0 || head > Room())
            return false;
        size_t room = Room() - head;
        return room >= data && room - data < tail;
    }

    // Places data that may be cut anywhere, followed by `tail` (a data
    // descriptor), which must stand in the same volume as the data's last
    // byte.
    void PlaceCuttable(const uint8_t *data, size_t n, const std::vector<uint8_t> &tail) {
        while (n > 0) {
            size_t take = std::min(n, Room());
            if (take == n && Room() - take < tail.size())
                take = n - 1;   // keep at least the last byte for the descriptor's volume
            plan.parts.back().insert(plan.parts.back().end(), data, data + take);
            data += take;
            n -= take;
            if (n > 0)
                NewVolume();
        }
        plan.parts.back().insert(plan.parts.back().end(), tail.begin(), tail.end());
    }
};

std::string MemberText(const ZipMember &member) {
    return "the header of member '" + MemberDisplayName(member) + "'";
}

}  // namespace

bool PlanSpannedArchive(const ZipArchive &archive, uint32_t firstCapacity, uint32_t firstBase, uint32_t laterCapacity,
                        SpanPlan &plan, std::string &why) {
    if (archive.members.size() >= kZip64Marker16) {
        why = "too many members for an archive without ZIP64";
        return false;
    }
    plan.parts.assign(1, {});
    VolumeFiller filler{plan, firstCapacity, firstBase, laterCapacity, firstBase != 0};
    std::vector<uint8_t> signature(4);
    WriteLe32(signature.data(), kDescriptorSignature);
    if (firstCapacity < signature.size()) {
        why = "the self-extractor leaves no room for the archive on disk 1";
        return false;
    }
    size_t volume = 0;
    uint32_t offset = 0;
    filler.PlaceWhole(signature, "", volume, offset, why);

    std::vector<size_t> volumes;
    std::vector<uint32_t> offsets;
    for (const ZipMember &member : archive.members) {
        // A set's volumes are laid out in memory (disks are small): each
        // member's data is read in whole.
        std::vector<uint8_t> data;
        if (!ReadMemberData(member, [&](const uint8_t *bytes, size_t n) {
                data.insert(data.end(), bytes, bytes + n);
                return true;
            }, why))
            return false;
        // What the stub reads without changing volumes: the header, name and
        // extra field, the encryption header, and a folder's data (skipped
        // by a seek).
        std::vector<uint8_t> head, tail;
        AppendLocalHeader(head, member);
        AppendDescriptorIfFlagged(tail, member);
        size_t whole = IsFolderName(member.name)             ? data.size()
                       : (member.flags & kFlagBitEncrypted) ? std::min<size_t>(kEncryptionHeaderSize, data.size())
                                                            : 0;
        head.insert(head.end(), data.begin(), data.begin() + whole);
        if (whole == data.size()) {
            head.insert(head.end(), tail.begin(), tail.end());
            tail.clear();
        }
        if (filler.WouldCutShortOfEnd(head.size(), data.size() - whole, tail.size()))
            filler.NewVolume();
        if (!filler.PlaceWhole(head, MemberText(member), volume, offset, why))
            return false;
        volumes.push_back(volume);
        offsets.push_back(offset);
        filler.PlaceCuttable(data.data() + whole, data.size() - whole, tail);
    }

    // The central directory and the end record, whole on the last volume.
    std::vector<uint8_t> directory;
    for (size_t i = 0; i < archive.members.size(); i++)
        AppendCentralRecord(directory, archive.members[i], (uint16_t)volumes[i], offsets[i]);
    size_t blockSize = directory.size() + kEndRecordSize + archive.comment.size();
    size_t last = blockSize <= filler.Room() ? filler.Current() : filler.Current() + 1;
    if (last >= kZip64Marker16) {
        why = "the set would need more than 65535 disks";
        return false;
    }
    DirectoryPlace place;
    place.thisDisk = place.directoryDisk = (uint16_t)last;
    place.entriesHere = place.entriesTotal = (uint16_t)archive.members.size();
    place.directorySize = (uint32_t)directory.size();
    place.directoryOffset = last == filler.Current() ? filler.Base(last) + (uint32_t)plan.parts.back().size() : 0;
    std::vector<uint8_t> block = directory;
    AppendEndRecord(block, place, archive.comment);
    if (!filler.PlaceWhole(block, "the central directory", volume, offset, why))
        return false;
    plan.endRecordPosition = 0;
    for (size_t i = 0; i + 1 < plan.parts.size(); i++)
        plan.endRecordPosition += plan.parts[i].size();
    plan.endRecordPosition += plan.parts.back().size() - kEndRecordSize - archive.comment.size();
    return true;
}

namespace {

// One file of the set: where it goes and its bytes.
struct SetFile {
    unsigned disk;
    std::string name;
    const std::vector<uint8_t> *bytes;
};

// Whether `name` is a file a set of this name puts on a disk: the image or
// a volume.
bool IsSetFileName(const std::string &name, const std::string &imageName, const std::string &stem) {
    return SameIgnoringCase(name, imageName) || SameIgnoringCase(name, VolumeFileName(stem, true)) ||
           SameIgnoringCase(name, VolumeFileName(stem, false));
}

bool WriteStagedFile(const std::string &path, const std::vector<uint8_t> &bytes, std::string &why) {
    FILE *file = CreateNewFile(path);
    bool ok = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && FinishProgramFile(file);
    if (!ok)
        why = strerror(errno);
    if (file && fclose(file) != 0 && ok) {
        ok = false;
        why = strerror(errno);
    }
    return ok;
}

// Writes every file into a staging folder beside the set, disk by disk.
bool StageSet(const std::string &staging, const std::vector<SetFile> &files, size_t disks, Failure &failure) {
    std::error_code error;
    if (!fs::create_directory(FsPath(staging), error))
        return Fail(failure, staging, "cannot create the staging folder: " + error.message());
    RemoveOnInterrupt(staging);
    for (unsigned disk = 1; disk <= disks; disk++)
        if (!fs::create_directory(FsPath(DiskFolder(staging, disk)), error))
            return Fail(failure, DiskFolder(staging, disk), error.message());
    std::string why;
    for (const SetFile &file : files) {
        std::string path = DiskFolder(staging, file.disk) + "/" + file.name;
        if (!WriteStagedFile(path, *file.bytes, why))
            return Fail(failure, path, why);
    }
    return true;
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
    std::string why;
    if (!PlanSpannedArchive(archive, (uint32_t)firstRoom, exeVolumes ? values.archiveOffset : 0, diskSize, plan, why))
        return Fail(failure, output, why + " (disk size " + std::to_string(diskSize) + ", self-extractor " +
                                         std::to_string(alone) + " bytes without the archive)");
    if (options.endRecordTest)
        values.endRecordOffset = (uint32_t)std::min<uint64_t>(values.archiveOffset + plan.endRecordPosition, 0xFFFFFFFFu);
    std::vector<uint8_t> image =
        AssembleImage(stub, textBlock, exeVolumes ? plan.parts[0] : std::vector<uint8_t>(), values, options.stubCrc);

    std::string folder = FolderOfPath(output), imageName = FileNameOfPath(output), stem = VolumeStem(output);
    std::vector<SetFile> files;
    files.push_back({1, imageName, &image});
    for (size_t i = exeVolumes ? 1 : 0; i < plan.parts.size(); i++)
        files.push_back({(unsigned)i + 1, VolumeFileName(stem, exeVolumes), &plan.parts[i]});
    if (!exeVolumes && SameIgnoringCase(imageName, VolumeFileName(stem, false)))
        return Fail(failure, output, "the self-extractor cannot be named like its .ZIP volume");

    for (const SetFile &file : files) {
        std::string target = DiskFolder(folder, file.disk) + "/" + file.name, refusal = OutputRefusal(target, "");
        if (!refusal.empty())
            return Fail(failure, target, refusal);
    }
    std::string staging = UniqueName(folder, ".mksfx-set-");
    bool done = StageSet(staging, files, plan.parts.size(), failure) &&
                MoveSetIntoPlace(staging, folder, files, plan.parts.size(), imageName, stem, failure);
    std::error_code error;
    fs::remove_all(FsPath(staging), error);
    ForgetOnInterrupt(staging);
    if (!done)
        return false;
    for (size_t disk = 1; disk <= plan.parts.size() && !quiet; disk++) {
        printf("disk%zu: label \"%s\":", disk, VolumeLabel((unsigned)disk).c_str());
        for (const SetFile &file : files)
            if (file.disk == disk)
                printf(" %s (%zu bytes)", (DiskFolder(folder, file.disk) + "/" + file.name).c_str(),
                       file.bytes->size());
        printf("\n");
    }
    return true;
}
