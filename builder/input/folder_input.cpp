#include "builder/input/folder_input.h"

#include <string.h>
#include <time.h>

#include <algorithm>

#include "base/crc32.h"
#include "archive/zip_format.h"
#include "builder/common/file_io.h"
#include "builder/common/system.h"
#include "builder/members/extended_time.h"
#include "builder/members/member_deflate.h"
#include "builder/members/member_pack.h"
#include "builder/members/member_span.h"
#include "builder/members/name_text.h"
#include "builder/members/traditional_cipher.h"

namespace fs = std::filesystem;

namespace {

enum MemberDefaults : uint32_t {
    kVersionStored = 10,         // 1.0: stored data
    kMadeByDos = 20,             // host 0 (MS-DOS), version 2.0
    kDosAttributeFolder = 0x10,
    kDosAttributeArchive = 0x20,
};

struct FoundEntry {
    std::string name;       // relative, UTF-8, "/" between components, "/" at the end of folders
    std::string path;       // on disk, UTF-8
    long long modified = 0;
    uint64_t size = 0;
};

std::string Joined(const std::string &prefix, const std::string &name) {
    return prefix.empty() ? name : prefix + "/" + name;
}

// Whether `entry` is one of `leaveOut`, under whatever name.
bool IsLeftOut(const fs::path &entry, const std::vector<std::string> &leaveOut) {
    for (const std::string &path : leaveOut) {
        std::error_code error;
        if (fs::equivalent(entry, FsPath(path), error))
            return true;
    }
    return false;
}

// Collects the files and empty folders under `path`, whose name inside the
// archive is `prefix`. The listing is the system's wide-character one on
// Windows, so every name arrives as UTF-8.
bool CollectEntries(const std::string &path, const std::string &prefix, const std::vector<std::string> &leaveOut,
                    std::vector<FoundEntry> &found, Failure &failure) {
    std::error_code error;
    fs::directory_iterator it(FsPath(path), error);
    if (error)
        return Fail(failure, path, error.message());
    bool empty = true;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (IsLeftOut(it->path(), leaveOut))
            continue;
        empty = false;
        std::string leaf = Utf8Path(it->path().filename());
        std::string name = Joined(prefix, leaf);
        std::string full = Utf8Path(it->path());
        fs::file_status status = fs::status(it->path(), error);
        if (error)
            return Fail(failure, full, error.message());
        bool link = fs::is_symlink(fs::symlink_status(it->path(), error));
        long long modified = 0;
        ModificationTime(full, modified);
        if (fs::is_directory(status) && link)
            return Fail(failure, full, "is a link to a folder (links are followed only to files)");
        if (fs::is_directory(status)) {
            if (!CollectEntries(full, name, leaveOut, found, failure))
                return false;
        } else if (fs::is_regular_file(status)) {
            found.push_back({name, full, modified, (uint64_t)fs::file_size(it->path(), error)});
        } else {
            return Fail(failure, full, "is neither a regular file nor a folder");
        }
    }
    if (error)
        return Fail(failure, path, error.message());
    if (empty && !prefix.empty()) {
        long long modified = 0;
        ModificationTime(path, modified);
        found.push_back({prefix + "/", path, modified, 0});
    }
    return true;
}

// Puts the member's data through the cipher into the spool, behind a fresh
// header.
bool EncryptMember(const std::string &password, Spool &spool, ZipMember &member, Failure &failure) {
    uint8_t random[kEncryptionHeaderSize - 1];
    if (!RandomBytes(random, sizeof random))
        return Fail(failure, "", "cannot read random bytes for the encryption header");
    CipherRun cipher;
    uint8_t header[kEncryptionHeaderSize];
    StartEncryption(cipher, password, random, (uint8_t)(member.crc >> 24), header);
    uint64_t from = MarkSpool(spool).packed;
    std::vector<uint8_t> piece;
    bool ok = AppendToSpool(spool, header, sizeof header, failure) &&
              ReadMemberData(member,
                             [&](const uint8_t *bytes, size_t n) {
                                 piece.assign(bytes, bytes + n);
                                 EncryptPiece(cipher, piece.data(), n);
                                 return AppendToSpool(spool, piece.data(), n, failure);
                             },
                             failure);
    if (ok)
        member.span = SpooledSince(spool, from);
    return ok;
}

bool MakeFileMember(const FoundEntry &entry, const std::string &password, int level, Spool &spool, ZipMember &member,
                    Failure &failure) {
    if (entry.size >= kZip64Marker32)
        return Fail(failure, entry.path, "is 4 GiB or larger (only smaller files fit an archive without ZIP64)");
    DataSpan again;
    again.file = entry.path;
    // To its end, whatever its size was when listed: a file that grew to
    // 4 GiB is refused by the packing itself.
    PlainFeed feed = [&](const ByteSink &take, Failure &readFailure) { return ReadFileToEnd(entry.path, take, readFailure); };
    if (!PackMember(feed, level, again, true, spool, member, failure))
        return Fail(failure, entry.path, failure.cause.empty() ? "cannot be read" : failure.cause);
    member.versionNeeded = member.method == kMethodDeflated ? (uint16_t)kVersionDefault : (uint16_t)kVersionStored;
    member.externalAttributes = kDosAttributeArchive;
    if (!password.empty()) {
        if (!EncryptMember(password, spool, member, failure))
            return Fail(failure, entry.path, failure.cause);
        member.flags |= kFlagBitEncrypted;
        member.versionNeeded = kVersionDefault;
    }
    if (DataSize(member) >= kZip64Marker32)
        return Fail(failure, entry.path, "is too large once encrypted (only archives under 4 GiB can be made)");
    return true;
}

}  // namespace

bool StartMember(const std::string &name, long long modified, ZipMember &member) {
    member.name = name;
    member.versionMadeBy = kMadeByDos;
    DosDateTime(modified, member.date, member.time);
    // Names are stored as UTF-8, flagged as such when not plain ASCII.
    if (!IsAscii(name)) {
        if (!IsValidUtf8(name))
            return false;
        member.flags |= kFlagBitUtf8;
    }
    member.localExtra = member.centralExtra = ExtendedTimeField(modified);
    member.versionNeeded = kVersionDefault;
    member.externalAttributes = IsFolderName(name) ? kDosAttributeFolder : kDosAttributeArchive;
    return true;
}

void DosDateTime(long long seconds, uint16_t &date, uint16_t &time) {
    struct tm local;
    memset(&local, 0, sizeof local);
    if (!LocalCalendarTime((time_t)seconds, local) || local.tm_year < 80) {
        date = (1 << 5) | 1;   // 1980-01-01 00:00:00
        time = 0;
        return;
    }
    if (local.tm_year > 207) {
        date = (127 << 9) | (12 << 5) | 31;   // 2107-12-31 23:59:58
        time = (23 << 11) | (59 << 5) | 29;
        return;
    }
    date = (uint16_t)(((local.tm_year - 80) << 9) | ((local.tm_mon + 1) << 5) | local.tm_mday);
    time = (uint16_t)((local.tm_hour << 11) | (local.tm_min << 5) | (local.tm_sec / 2));
}

bool ReadFolderArchive(const std::string &folder, const std::string &password, Progress *progress, Spool &spool,
                       ZipArchive &archive, Failure &failure, const std::vector<std::string> &leaveOut, int level) {
    std::vector<FoundEntry> found;
    if (!CollectEntries(folder, "", leaveOut, found, failure))
        return false;
    std::sort(found.begin(), found.end(),
              [](const FoundEntry &a, const FoundEntry &b) { return a.name < b.name; });
    uint64_t totalBytes = 0;
    for (const FoundEntry &entry : found)
        totalBytes += entry.size;
    if (progress)
        StartProgress(*progress, found.size(), totalBytes);
    archive.members.clear();
    archive.comment.clear();
    for (const FoundEntry &entry : found) {
        ZipMember member;
        if (!StartMember(entry.name, entry.modified, member))
            return Fail(failure, EscapedText(entry.path, true), "has a name that is not valid UTF-8");
        if (IsFolderName(entry.name)) {
        } else if (!MakeFileMember(entry, password, level, spool, member, failure)) {
            return false;
        }
        std::string refusal = MemberRefusal(member);
        if (!refusal.empty())
            return Fail(failure, entry.path, "its name '" + MemberDisplayName(member) + "' " + refusal);
        archive.members.push_back(std::move(member));
        if (progress)
            AdvanceProgress(*progress, entry.size);
    }
    return true;
}
