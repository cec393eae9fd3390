#include "builder/image_info.h"

#include <stdio.h>

#include "builder/archive_walk.h"
#include "builder/file_io.h"
#include "builder/folder_attribute.h"
#include "builder/image_checks.h"
#include "builder/pe_format.h"
#include "builder/member_time_text.h"
#include "builder/pe_stub.h"
#include "builder/text_block.h"
#include "builder/volume_names.h"
#include "builder/zip_members.h"
#include "archive/zip_format.h"
#include "image/byte_order.h"
#include "image/config_record.h"

namespace {

struct FlagName {
    uint32_t bit;
    const char *name;
};

const FlagName kFlagNames[] = {
    {kFlagOverwriteDefault, "OverwriteDefault"}, {kFlagHasTitle, "HasTitle"},
    {kFlagEncrypted, "Encrypted"},               {kFlagAutoMode, "AutoMode"},
    {kFlagCrcSkipsHeaders, "CrcSkipsHeaders"},   {kFlagSpanned, "Spanned"},
    {kFlagExeVolumes, "ExeVolumes"},             {kFlagInstallVerb, "InstallVerb"},
    {kFlagTitleInWindow, "TitleInWindow"},       {kFlagPromptButtons, "PromptButtons"},
    {kFlagPromptOkCancel, "PromptOkCancel"},
};

std::string FlagNames(uint32_t flags) {
    std::string text;
    for (const FlagName &flag : kFlagNames)
        if (flags & flag.bit) {
            text += " " + std::string(flag.name);
            flags &= ~flag.bit;
        }
    if (flags) {
        char rest[24];
        snprintf(rest, sizeof rest, " +0x%X", flags);
        text += rest;
    }
    return text;
}

// A text as a C string literal, so that control characters stay visible.
std::string Printable(const std::string &text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c < 0x20 || c == 0x7F) {
            char escape[8];
            snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        } else {
            out += (char)c;
        }
    }
    return out + "\"";
}

struct Checks {
    std::string firstFailure;

    void Report(bool ok, const std::string &text) {
        printf("  %-5s %s\n", ok ? "ok" : "FAIL", text.c_str());
        if (!ok && firstFailure.empty())
            firstFailure = text;
    }
    void Skip(const std::string &text) { printf("  %-5s %s\n", "-", text.c_str()); }
};

std::string Hex(uint32_t value) {
    char text[16];
    snprintf(text, sizeof text, "0x%X", value);
    return text;
}

void PrintRecord(const uint8_t *r, size_t at) {
    printf("ConfigRecord at %s:\n", Hex((uint32_t)at).c_str());
    printf("  StubCrc          %s\n", Hex(ReadLe32(r + kStubCrcOffset)).c_str());
    printf("  ArchiveOffset    %s\n", Hex(ReadLe32(r + kArchiveOffsetOffset)).c_str());
    printf("  TextBlockOffset  %s\n", Hex(ReadLe32(r + kTextBlockOffsetOffset)).c_str());
    printf("  EndRecordOffset  %s\n", Hex(ReadLe32(r + kEndRecordOffsetOffset)).c_str());
    printf("  TotalSize        %u\n", ReadLe32(r + kTotalSizeOffset));
    printf("  Flags            %s%s\n", Hex(ReadLe32(r + kFlagsOffset)).c_str(),
           FlagNames(ReadLe32(r + kFlagsOffset)).c_str());
    printf("  Complete         %s\n", Hex(ReadLe16(r + kCompleteOffset)).c_str());
    printf("  EntryPoint       %s\n", Hex(ReadLe32(r + kEntryPointOffset)).c_str());
}

// The TextBlock as the stub reads it: the five strings, or why the stub
// could not read it ("" with no TextBlock).
std::string ReadTextBlock(const std::vector<uint8_t> &image, uint32_t textBlockOffset, uint32_t archiveOffset,
                          TextStrings &strings) {
    if (textBlockOffset > archiveOffset || archiveOffset > image.size())
        return "the TextBlock lies outside [TextBlockOffset, ArchiveOffset) of the file";
    size_t length = archiveOffset - textBlockOffset;
    if (length > kTextBlockMax)
        return "the TextBlock takes " + std::to_string(length) + " bytes (at most 1256)";
    std::string why;
    if (!SplitTextBlock(image.data() + textBlockOffset, length, strings, why))
        return why;
    return "";
}

// The volumes the walk reads: the image alone, or for a spanned set the
// volume files in the disk folders beside the image's own.
std::vector<WalkVolume> FindVolumes(const std::string &path, const std::vector<uint8_t> &image, uint32_t flags,
                                    uint32_t archiveOffset) {
    std::vector<WalkVolume> volumes;
    if (!(flags & kFlagSpanned)) {
        volumes.push_back({path, image, archiveOffset});
        return volumes;
    }
    bool exeVolumes = (flags & kFlagExeVolumes) != 0;
    for (unsigned disk = 1;; disk++) {
        WalkVolume volume;
        volume.path = SiblingVolumePath(path, disk, exeVolumes);
        if (disk == 1 && exeVolumes) {
            volume.bytes = image;
            volume.start = archiveOffset;
        } else {
            std::string why;
            if (!ReadWholeFile(volume.path, volume.bytes, why))
                break;
        }
        volumes.push_back(std::move(volume));
    }
    return volumes;
}

const char *MethodName(uint16_t method) {
    return method == kMethodStored ? "stored" : method == kMethodDeflated ? "deflated" : "other";
}

const char *CheckName(DataCheck check) {
    static const char *const names[] = {"intact", "DAMAGED", "encrypted, not checked", "folder"};
    return names[check];
}

void WalkAndPrint(const std::string &path, const std::vector<uint8_t> &image, uint32_t flags, uint32_t archiveOffset,
                  Checks &checks) {
    std::vector<WalkVolume> volumes = FindVolumes(path, image, flags, archiveOffset);
    if (volumes.empty()) {
        checks.Skip("archive walk: the volumes of the spanned set are not beside the image");
        return;
    }
    WalkResult result;
    bool ok = WalkArchive(volumes, (flags & kFlagSpanned) != 0, result);
    printf("Members (%zu, walked as the stub walks them):\n", result.members.size());
    for (const WalkedMember &member : result.members) {
        // The stub stamps files only.
        std::string time = IsFolderName(member.name) ? "-" : MemberTimeText(member.extra, member.date, member.time);
        printf("  %-8s %10u %10u  %-30s  %s%s%s  %s\n", MethodName(member.method), member.compressedSize,
               member.uncompressedSize, time.c_str(), (member.flags & kFlagBitEncrypted) ? "encrypted " : "",
               (flags & kFlagSpanned) ? ("disk " + std::to_string(member.disk) + " ").c_str() : "",
               Printable(member.name).c_str(), CheckName(member.check));
    }
    printf("Archive walk:\n");
    checks.Report(ok, ok ? "the walk reaches the end of the archive" : "archive walk: " + result.error);
    int damaged = 0;
    for (const WalkedMember &member : result.members)
        damaged += member.check == kDataDamaged;
    if (damaged)
        checks.Report(false, std::to_string(damaged) + " member(s) fail their CRC or size check");
    for (const std::string &name : AttributeOnlyFolders(image))
        checks.Report(false, "'" + name + "' is a folder by its attribute alone (no trailing '/'): the stub writes it "
                             "as an empty file");
}

}  // namespace

int ShowImageInfo(const std::string &path) {
    std::vector<uint8_t> image;
    std::string why;
    PeFacts pe;
    if (!ReadWholeFile(path, image, why) || !ParsePe(image, pe, why)) {
        fprintf(stderr, "mksfx: %s: %s\n", path.c_str(), why.c_str());
        return 1;
    }
    std::vector<size_t> markers = FindMarkers(image, image.size());
    if (markers.empty() || markers[0] + kConfigRecordSize > image.size()) {
        fprintf(stderr, "mksfx: %s: no ConfigRecord (marker not found)\n", path.c_str());
        return 1;
    }
    const uint8_t *record = image.data() + markers[0];
    uint32_t archiveOffset = ReadLe32(record + kArchiveOffsetOffset);
    uint32_t flags = ReadLe32(record + kFlagsOffset);
    uint32_t stubCrc = ReadLe32(record + kStubCrcOffset);
    printf("%s: %zu bytes, %u sections, entry point %s\n", path.c_str(), image.size(), pe.numberOfSections,
           Hex(pe.entryPoint).c_str());
    PrintRecord(record, markers[0]);

    uint32_t textBlockOffset = ReadLe32(record + kTextBlockOffsetOffset);
    TextStrings strings;
    std::string textBlockWhy;
    if (textBlockOffset != 0) {
        textBlockWhy = ReadTextBlock(image, textBlockOffset, archiveOffset, strings);
        if (textBlockWhy.empty()) {
            printf("TextBlock (%u bytes):\n", archiveOffset - textBlockOffset);
            for (int i = 0; i < kTextStringCount; i++)
                printf("  %-8s %s\n", kTextStringNames[i], Printable(strings[i]).c_str());
        }
    }

    Checks checks;
    printf("Start-up checks:\n");
    if (stubCrc == 0) {
        checks.Skip("no stub checksum test (StubCrc 0)");
    } else {
        size_t inside = FindMarkers(image, archiveOffset).size();
        checks.Report(inside == 1, "marker found " + std::to_string(inside) + " time(s) before ArchiveOffset" +
                                       (inside > 1 ? " (the first one counts)" : ""));
        uint32_t crc = 0;
        bool computed = ComputeStubChecksum(image, archiveOffset, (flags & kFlagCrcSkipsHeaders) != 0, crc, why);
        if (!computed)
            checks.Report(false, "stub checksum: " + why);
        else
            checks.Report(crc == stubCrc, "stub checksum " + Hex(crc) + (crc == stubCrc ? " matches" : " differs from StubCrc"));
    }
    if (textBlockOffset == 0) {
        checks.Skip("no TextBlock (TextBlockOffset 0)");
    } else {
        std::string refusal = textBlockWhy.empty() ? TextBlockRefusal(strings) : textBlockWhy;
        checks.Report(refusal.empty(), refusal.empty() ? "TextBlock within limits" : refusal);
    }
    uint32_t endRecordOffset = ReadLe32(record + kEndRecordOffsetOffset);
    if ((flags & kFlagSpanned) || endRecordOffset == 0) {
        checks.Skip("no end-record test (Spanned or EndRecordOffset 0)");
    } else {
        bool found = (uint64_t)endRecordOffset + 4 <= image.size() &&
                     ReadLe32(image.data() + endRecordOffset) == kEndSignature;
        checks.Report(found, found ? "end record at EndRecordOffset" : "no end record at EndRecordOffset (string 39)");
    }
    uint32_t entryPoint = ReadLe32(record + kEntryPointOffset);
    checks.Report(entryPoint == pe.entryPoint, "EntryPoint " + Hex(entryPoint) +
                                                   (entryPoint == pe.entryPoint ? " matches" : " differs from") +
                                                   " the optional header's");
    bool complete = ReadLe16(record + kCompleteOffset) != 0;
    checks.Report(complete, complete ? "image is complete" : "image is incomplete (Complete 0, string 0)");
    // Not a start-up test of the stub's, but what Windows does before it runs.
    std::string manifest;
    if (FindProcessManifest(image, pe, manifest) && manifest.find("level=\"asInvoker\"") != std::string::npos)
        checks.Report(true, "application manifest: runs with the user's rights (asInvoker)");
    else
        checks.Skip("no application manifest with asInvoker: Windows may ask for administrator rights when the "
                    "image is named like an installer (setup.exe)");

    WalkAndPrint(path, image, flags, archiveOffset, checks);
    if (!checks.firstFailure.empty()) {
        fprintf(stderr, "mksfx: %s: %s\n", path.c_str(), checks.firstFailure.c_str());
        return 1;
    }
    printf("The stub would start and extract every member.\n");
    return 0;
}
