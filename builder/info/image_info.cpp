#include "builder/info/image_info.h"

#include <stdio.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

#include "archive/zip_format.h"
#include "builder/common/file_io.h"
#include "builder/common/system.h"
#include "builder/info/member_time_text.h"
#include "builder/info/stub_run.h"
#include "builder/input/folder_attribute.h"
#include "builder/members/member_span.h"
#include "builder/members/name_text.h"
#include "builder/members/zip_members.h"
#include "builder/output/image_checks.h"
#include "builder/output/pe_format.h"
#include "builder/output/pe_stub.h"
#include "builder/output/text_block.h"
#include "base/byte_order.h"
#include "image/config_record.h"

namespace {

enum : uint64_t { kHeadFirstRead = 1u << 20 };   // enough for any stub's headers and section table

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
    {kFlagPromptOkCancel, "PromptOkCancel"},     {kFlagRunCommand, "RunCommand"},
    {kFlagUtf8Text, "Utf8Text"},
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

// A TextBlock string in quotes. UTF-8 text (the Utf8Text flag) shows its
// characters; text of the code page of the machine that runs the image
// cannot be shown here, so there every byte that is not printable ASCII is
// escaped.
std::string Quoted(const std::string &text, bool utf8) {
    std::string out = "\"";
    for (char c : EscapedText(text, utf8))
        out += c == '"' ? std::string("\\\"") : std::string(1, c);
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
        return "the text block does not lie between its start and the archive inside the file";
    size_t length = archiveOffset - textBlockOffset;
    if (length > kTextBlockMax)
        return "the text block takes " + std::to_string(length) + " bytes (at most 1256)";
    Failure failure;
    if (!SplitTextBlock(image.data() + textBlockOffset, length, strings, failure))
        return failure.cause;
    return "";
}

const char *MethodName(uint16_t method) {
    return method == kMethodStored ? "stored" : method == kMethodDeflated ? "deflated" : "other";
}

const char *OutcomeName(const WalkedMember &member) {
    if (member.outcome == kWalkSkipped)
        return "encrypted, not checked";
    if (member.outcome == kWalkStopped)
        return "STOPPED HERE";
    return IsFolderName(member.name) ? "folder made" : "intact";
}

// One member as the walk met it.
void PrintMember(const WalkedMember &member, bool spanned) {
    // The stub stamps files only.
    std::string time = IsFolderName(member.name) ? "-" : MemberTimeText(member.extra, member.date, member.time);
    printf("  %-8s %10u %10u  %-30s  %s%s%s  %s\n", MethodName(member.method), member.compressedSize,
           member.uncompressedSize, time.c_str(), (member.flags & kFlagBitEncrypted) ? "encrypted " : "",
           spanned ? ("disk " + std::to_string(member.disk) + " ").c_str() : "",
           DisplayName(member.name, member.flags, member.extra).c_str(), OutcomeName(member));
}

// The stub's own start-up and pass over the image, with their verdicts.
void RunAndPrint(const std::string &path, const std::vector<uint8_t> &image, size_t record, uint32_t flags,
                 const std::string &password, Checks &checks) {
    StubRun run;
    Failure failure;
    if (!RunStub(path, image, record, password, run, failure)) {
        checks.Report(false, failure.cause);
        return;
    }
    checks.Report(run.started, run.started ? "the stub's own start-up reaches its dialog"
                                           : "the stub stops at start-up with \"" + run.startupStop + "\"");
    if (!run.started)
        return;
    bool spanned = (flags & kFlagSpanned) != 0;
    printf("Members (%zu, walked and decoded by the stub's own code):\n", run.members.size());
    for (const WalkedMember &member : run.members)
        PrintMember(member, spanned);
    printf("Archive walk:\n");
    for (const std::string &name : AttributeOnlyFolders(path))
        checks.Report(false, "'" + EscapedText(name, false) + "' is a folder by its attribute alone (no trailing '/'): the "
                             "stub writes it as an empty file");
    if (run.reachedEnd) {
        checks.Report(true, "the walk reaches the end of the archive");
        return;
    }
    bool atMember = !run.members.empty() && run.members.back().outcome == kWalkStopped;
    std::string where = atMember ? " at member '" + DisplayName(run.members.back().name, run.members.back().flags,
                                                                 run.members.back().extra) + "'"
                                 : "";
    checks.Report(false, "the stub's extraction stops" + where + " with \"" + run.passStop + "\"");
}

// Extends `head` to the image's first `end` bytes (fewer when the file is
// shorter), read in pieces.
bool ReadHead(const std::string &path, uint64_t end, uint64_t fileSize, std::vector<uint8_t> &head,
              Failure &failure) {
    end = std::min(end, fileSize);
    if (end <= head.size())
        return true;
    return ReadFileRange(path, head.size(), end - head.size(),
                         [&](const uint8_t *bytes, size_t n) {
                             head.insert(head.end(), bytes, bytes + n);
                             return true;
                         },
                         failure);
}

// Where the first ConfigRecord marker of the file starts (`at` left as it
// was when there is none), the file scanned a piece at a time; fails only
// when the file cannot be read.
bool FindFirstMarker(const std::string &path, uint64_t &at, Failure &failure) {
    std::vector<uint8_t> window;   // the piece, behind the end of the one before that a marker may start in
    uint64_t windowStart = 0;
    bool found = false;
    bool read = ReadFileToEnd(path,
                              [&](const uint8_t *bytes, size_t n) {
                                  window.insert(window.end(), bytes, bytes + n);
                                  std::vector<size_t> markers = FindMarkers(window, window.size());
                                  if (!markers.empty()) {
                                      at = windowStart + markers[0];
                                      found = true;
                                      return false;
                                  }
                                  size_t keep = std::min<size_t>(window.size(), kMarkerSize - 1);
                                  windowStart += window.size() - keep;
                                  window.erase(window.begin(), window.end() - keep);
                                  return true;
                              },
                              failure);
    return read || found;
}

}  // namespace

bool ShowImageInfo(const std::string &path, const std::string &password, Failure &failure) {
    // Only the part in front of the archive is held (the stub, its record
    // and the text block); the archive is read from the file as the walk
    // goes, so that the image's size does not matter.
    std::vector<uint8_t> image;
    PeFacts pe;
    std::error_code error;
    uint64_t fileSize = fs::file_size(FsPath(path), error);
    if (error)
        return Fail(failure, path, error.message());
    uint64_t marker = UINT64_MAX;
    if (!ReadHead(path, kHeadFirstRead, fileSize, image, failure) || !ParsePe(image, pe, failure) ||
        !FindFirstMarker(path, marker, failure) ||
        (marker != UINT64_MAX && !ReadHead(path, marker + kConfigRecordSize, fileSize, image, failure)))
        return Fail(failure, path, failure.cause);
    if (marker == UINT64_MAX || marker + kConfigRecordSize > fileSize)
        return Fail(failure, path, "not a self-extractor: it holds no configuration record");
    uint32_t archiveOffset = ReadLe32(image.data() + marker + kArchiveOffsetOffset);
    if (!ReadHead(path, archiveOffset, fileSize, image, failure) || !ParsePe(image, pe, failure))
        return Fail(failure, path, failure.cause);
    const uint8_t *record = image.data() + marker;
    uint32_t flags = ReadLe32(record + kFlagsOffset);
    uint32_t stubCrc = ReadLe32(record + kStubCrcOffset);
    printf("%s: %llu bytes, %u sections, entry point %s\n", path.c_str(), (unsigned long long)fileSize,
           pe.numberOfSections, Hex(pe.entryPoint).c_str());
    PrintRecord(record, (size_t)marker);

    uint32_t textBlockOffset = ReadLe32(record + kTextBlockOffsetOffset);
    TextStrings strings;
    std::string textBlockWhy;
    if (textBlockOffset != 0) {
        textBlockWhy = ReadTextBlock(image, textBlockOffset, archiveOffset, strings);
        bool utf8 = (flags & kFlagUtf8Text) != 0;
        if (textBlockWhy.empty()) {
            printf("TextBlock (%u bytes%s):\n", archiveOffset - textBlockOffset,
                   utf8 ? ", UTF-8" : ", in the ANSI code page of the machine that runs it");
            for (int i = 0; i < kTextStringCount; i++)
                printf("  %-8s %s\n", kTextStringNames[i], Quoted(strings[i], utf8).c_str());
            if (flags & kFlagRunCommand) {
                std::string command, arguments;
                SplitRunCommand(strings[kTextSkipped], command, arguments);
                printf("After unzip: open %s with arguments %s%s\n", Quoted(command, utf8).c_str(),
                       Quoted(arguments, utf8).c_str(),
                       (flags & kFlagInstallVerb) ? " (verb Install)" : "");
            }
        }
    }

    Checks checks;
    printf("Start-up checks:\n");
    if (stubCrc == 0) {
        checks.Skip("no stub checksum (switched off)");
    } else {
        size_t inside = FindMarkers(image, archiveOffset).size();
        checks.Report(inside == 1, "the record's marker occurs " + std::to_string(inside) +
                                       " time(s) before the archive" + (inside > 1 ? " (the first one counts)" : ""));
        uint32_t crc = 0;
        Failure uncomputed;
        bool computed = ComputeStubChecksum(image, archiveOffset, (flags & kFlagCrcSkipsHeaders) != 0, crc, uncomputed);
        if (!computed)
            checks.Report(false, "the stub checksum cannot be computed: " + uncomputed.cause);
        else
            checks.Report(crc == stubCrc, "stub checksum " + Hex(crc) +
                                              (crc == stubCrc ? " matches"
                                                              : " differs from the recorded one: the stub or its text "
                                                                "block changed after the image was made"));
    }
    if (textBlockOffset == 0) {
        checks.Skip("no text block");
    } else {
        std::string refusal = textBlockWhy.empty() ? TextBlockRefusal(strings) : textBlockWhy;
        checks.Report(refusal.empty(), refusal.empty() ? "text block within limits" : refusal);
    }
    uint32_t endRecordOffset = ReadLe32(record + kEndRecordOffsetOffset);
    if ((flags & kFlagSpanned) || endRecordOffset == 0) {
        checks.Skip("no end-record test (a spanned set, or switched off)");
    } else {
        std::vector<uint8_t> signature;
        Failure unread;   // reported as the end record missing
        bool found = (uint64_t)endRecordOffset + kSignatureBytes <= fileSize &&
                     ReadFileRange(path, endRecordOffset, kSignatureBytes,
                                   [&](const uint8_t *bytes, size_t n) {
                                       signature.insert(signature.end(), bytes, bytes + n);
                                       return true;
                                   },
                                   unread) &&
                     ReadLe32(signature.data()) == kEndSignature;
        checks.Report(found, found ? "end record where the record says"
                                   : "no end record where the record says: the archive was changed or cut short");
    }
    uint32_t entryPoint = ReadLe32(record + kEntryPointOffset);
    checks.Report(entryPoint == pe.entryPoint,
                  "entry point " + Hex(entryPoint) +
                      (entryPoint == pe.entryPoint ? " matches the program header's"
                                                   : " differs from the program header's " + Hex(pe.entryPoint)));
    bool complete = ReadLe16(record + kCompleteOffset) != 0;
    checks.Report(complete, complete ? "the image is marked complete"
                                     : "the image is marked incomplete (made with --incomplete)");
    // Not a start-up test of the stub's, but what Windows does before it runs.
    std::string manifest;
    if (FindProcessManifest(image, pe, manifest) && manifest.find("level=\"asInvoker\"") != std::string::npos)
        checks.Report(true, "application manifest: runs with the user's rights (asInvoker)");
    else
        checks.Skip("no application manifest with asInvoker: Windows may ask for administrator rights when the "
                    "image is named like an installer (setup.exe)");

    RunAndPrint(path, image, (size_t)marker, flags, password, checks);
    if (!checks.firstFailure.empty())
        return Fail(failure, path, checks.firstFailure);
    printf("The stub would start and extract every member.\n");
    return true;
}
