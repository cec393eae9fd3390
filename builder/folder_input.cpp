#include "builder/folder_input.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>

#include "archive/crc32.h"
#include "builder/extended_time.h"
#include "builder/file_io.h"
#include "builder/traditional_cipher.h"
#include "archive/zip_format.h"

namespace fs = std::filesystem;

namespace {

enum MemberDefaults : uint32_t {
    kVersionStored = 10,         // 1.0: stored data
    kVersionDeflated = 20,       // 2.0: deflate, folders, encryption
    kMadeByDos = 20,             // host 0 (MS-DOS), version 2.0
    kDosAttributeFolder = 0x10,
    kDosAttributeArchive = 0x20,
    kDeflateLevel = 9,
    kDeflateMemLevel = 9,
};

struct FoundEntry {
    std::string name;       // relative, "/" between components, "/" at the end of folders
    std::string path;       // on disk
    long long modified = 0;
};

std::string Joined(const std::string &prefix, const std::string &name) {
    return prefix.empty() ? name : prefix + "/" + name;
}

// Collects the files and empty folders under `path`, whose name inside the
// archive is `prefix`.
bool CollectEntries(const std::string &path, const std::string &prefix,
                    std::vector<FoundEntry> &found, Failure &failure) {
    std::error_code error;
    fs::directory_iterator it(path, error);
    if (error)
        return Fail(failure, path, error.message());
    bool empty = true;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        empty = false;
        std::string name = Joined(prefix, it->path().filename().string());
        std::string full = it->path().string();
        struct stat info;
        if (stat(full.c_str(), &info) != 0)
            return Fail(failure, full, strerror(errno));
        bool link = it->is_symlink(error);
        if (S_ISDIR(info.st_mode) && link)
            return Fail(failure, full, "is a link to a folder (links are followed only to files)");
        if (S_ISDIR(info.st_mode)) {
            if (!CollectEntries(full, name, found, failure))
                return false;
        } else if (S_ISREG(info.st_mode)) {
            found.push_back({name, full, (long long)info.st_mtime});
        } else {
            return Fail(failure, full, "is neither a regular file nor a folder");
        }
    }
    if (error)
        return Fail(failure, path, error.message());
    if (empty && !prefix.empty()) {
        struct stat info;
        stat(path.c_str(), &info);
        found.push_back({prefix + "/", path, (long long)info.st_mtime});
    }
    return true;
}

// Raw deflate (no zlib header) at the highest level.
bool DeflateRaw(const std::vector<uint8_t> &in, std::vector<uint8_t> &out) {
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    if (deflateInit2(&stream, kDeflateLevel, Z_DEFLATED, -MAX_WBITS, kDeflateMemLevel, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    out.resize(deflateBound(&stream, (uLong)in.size()));
    stream.next_in = (Bytef *)in.data();
    stream.avail_in = (uInt)in.size();
    stream.next_out = out.data();
    stream.avail_out = (uInt)out.size();
    int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return result == Z_STREAM_END;
}

bool MakeFileMember(const FoundEntry &entry, const std::string &password, ZipMember &member, Failure &failure) {
    std::vector<uint8_t> content;
    std::string why;
    if (!ReadWholeFile(entry.path, content, why))
        return Fail(failure, entry.path, why);
    if (content.size() >= kZip64Marker32)
        return Fail(failure, entry.path, "is 4 GiB or larger (ZIP64 is not supported)");
    member.crc = Crc32Of(content.data(), content.size());
    member.uncompressedSize = (uint32_t)content.size();
    std::vector<uint8_t> packed;
    if (!content.empty() && DeflateRaw(content, packed) && packed.size() < content.size()) {
        member.method = kMethodDeflated;
        member.data.swap(packed);
    } else {
        member.method = kMethodStored;
        member.data.swap(content);
    }
    member.versionNeeded = member.method == kMethodDeflated ? kVersionDeflated : kVersionStored;
    member.externalAttributes = kDosAttributeArchive;
    if (!password.empty()) {
        uint8_t random[kEncryptionHeaderSize - 1];
        if (!ReadRandomBytes(random, sizeof random, why))
            return Fail(failure, entry.path, why);
        member.data = EncryptMemberData(password, random, (uint8_t)(member.crc >> 24), member.data);
        member.flags |= kFlagBitEncrypted;
        member.versionNeeded = kVersionDeflated;
    }
    if (member.data.size() >= kZip64Marker32)
        return Fail(failure, entry.path, "is too large once encrypted (ZIP64 is not supported)");
    return true;
}

}  // namespace

void DosDateTime(long long seconds, uint16_t &date, uint16_t &time) {
    time_t stamp = (time_t)seconds;
    struct tm local;
    memset(&local, 0, sizeof local);
    if (!localtime_r(&stamp, &local) || local.tm_year < 80) {
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

bool ReadFolderArchive(const std::string &folder, const std::string &password, ZipArchive &archive,
                       Failure &failure) {
    std::vector<FoundEntry> found;
    if (!CollectEntries(folder, "", found, failure))
        return false;
    std::sort(found.begin(), found.end(),
              [](const FoundEntry &a, const FoundEntry &b) { return a.name < b.name; });
    archive.members.clear();
    archive.comment.clear();
    for (const FoundEntry &entry : found) {
        ZipMember member;
        member.name = entry.name;
        member.versionMadeBy = kMadeByDos;
        DosDateTime(entry.modified, member.date, member.time);
        member.localExtra = member.centralExtra = ExtendedTimeField(entry.modified);
        if (IsFolderName(entry.name)) {
            member.versionNeeded = kVersionDeflated;
            member.externalAttributes = kDosAttributeFolder;
        } else if (!MakeFileMember(entry, password, member, failure)) {
            return false;
        }
        std::string refusal = MemberRefusal(member);
        if (!refusal.empty())
            return Fail(failure, entry.path, "its name '" + entry.name + "' " + refusal);
        archive.members.push_back(std::move(member));
    }
    return true;
}
