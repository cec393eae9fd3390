#include "builder/input/archive_input.h"

#include "base/crc32.h"
#include "archive/zip_format.h"
#include "builder/input/folder_input.h"
#include "builder/input/zip_reader.h"
#include "builder/members/extended_time.h"
#include "builder/members/member_deflate.h"
#include "builder/members/member_pack.h"
#include "builder/members/name_text.h"

#ifdef TARVEX_LIBARCHIVE
#include <locale.h>
#include <string.h>

#include <algorithm>

#include <archive.h>
#include <archive_entry.h>
#endif

namespace {

enum : uint32_t {
    kVersionDeflated = 20,
    kFlagBitsDeflateOption = 6,
};

}  // namespace

#ifdef TARVEX_LIBARCHIVE

namespace {

struct archive *OpenArchive(const std::string &file) {
    // libarchive converts names through the locale's character set: in the
    // plain C locale it cannot give UTF-8 for a name outside ASCII.
    static const bool utf8Locale = setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    (void)utf8Locale;
    struct archive *reader = archive_read_new();
    archive_read_support_filter_all(reader);
    archive_read_support_format_all(reader);
    if (archive_read_open_filename(reader, file.c_str(), 1 << 16) != ARCHIVE_OK) {
        archive_read_free(reader);
        return nullptr;
    }
    return reader;
}

std::string ErrorOf(struct archive *reader) {
    const char *text = archive_error_string(reader);
    return text ? text : "libarchive cannot read it";
}

// Packs the entry's data as it is decoded: deflated at `level` or stored,
// whichever is smaller; the method and version follow.
bool PackEntryData(struct archive *reader, struct archive_entry *entry, int level, Spool &spool, ZipMember &member,
                   Failure &failure) {
    // libarchive fills the holes of a sparse entry with zeros, but not one
    // that runs to the entry's end: without these zeros a sparse file
    // would come out short (empty when it is all hole).
    uint64_t sparseSize = archive_entry_sparse_count(entry) > 0 && archive_entry_size_is_set(entry)
                              ? (uint64_t)archive_entry_size(entry)
                              : 0;
    PlainFeed feed = [&](const ByteSink &take, Failure &readFailure) {
        uint8_t buffer[1 << 16];
        uint64_t fed = 0;
        for (;;) {
            la_ssize_t got = archive_read_data(reader, buffer, sizeof buffer);
            if (got < 0)
                return Fail(readFailure, "", ErrorOf(reader));
            if (got == 0)
                break;
            fed += (uint64_t)got;
            if (!take(buffer, (size_t)got))
                return false;
        }
        memset(buffer, 0, sizeof buffer);
        for (; fed < sparseSize; fed += std::min<uint64_t>(sizeof buffer, sparseSize - fed))
            if (!take(buffer, (size_t)std::min<uint64_t>(sizeof buffer, sparseSize - fed)))
                return false;
        return true;
    };
    member.flags &= (uint16_t)~kFlagBitsDeflateOption;
    if (!PackMember(feed, level, DataSpan(), true, spool, member, failure))
        return false;
    // What the old method needed (6.3 for LZMA) no longer applies.
    member.versionNeeded = kVersionDeflated;
    return true;
}

// The member name of an entry: UTF-8, without a leading "./" or "/".
std::string EntryName(struct archive_entry *entry) {
    const char *utf8 = archive_entry_pathname_utf8(entry);
    std::string name = utf8 ? utf8 : archive_entry_pathname(entry) ? archive_entry_pathname(entry) : "";
    while (name.compare(0, 2, "./") == 0)
        name.erase(0, 2);
    return name;
}

}  // namespace

bool HasLibarchive() {
    return true;
}

bool IsOtherArchive(const std::string &file) {
    struct archive *reader = OpenArchive(file);
    if (!reader)
        return false;
    struct archive_entry *entry = nullptr;
    int result = archive_read_next_header(reader, &entry);
    bool other = (result == ARCHIVE_OK || result == ARCHIVE_WARN || result == ARCHIVE_EOF) &&
                 (archive_format(reader) & ARCHIVE_FORMAT_BASE_MASK) != ARCHIVE_FORMAT_ZIP;
    archive_read_free(reader);
    return other;
}

bool ReadOtherArchive(const std::string &file, int level, Spool &spool, ZipArchive &archive, Failure &failure) {
    struct archive *reader = OpenArchive(file);
    if (!reader)
        return Fail(failure, file, "libarchive cannot read it");
    archive.members.clear();
    archive.comment.clear();
    struct archive_entry *entry = nullptr;
    bool ok = true;
    int result;
    while (ok && (result = archive_read_next_header(reader, &entry)) != ARCHIVE_EOF) {
        if (result != ARCHIVE_OK && result != ARCHIVE_WARN) {
            ok = Fail(failure, file, "is damaged: " + ErrorOf(reader));
            break;
        }
        std::string name = EntryName(entry);
        std::string quoted = "entry '" + EscapedText(name, true) + "'";
        bool folder = archive_entry_filetype(entry) == AE_IFDIR;
        if (!archive_entry_pathname_utf8(entry)) {
            ok = Fail(failure, file, quoted + " has a name that libarchive cannot turn into UTF-8");
            break;
        }
        if (name.empty() || name == "." || name == "/")
            continue;
        if (archive_entry_is_encrypted(entry)) {
            ok = Fail(failure, file, quoted + " is encrypted (mksfx takes only archives without encryption)");
            break;
        }
        if (!folder && archive_entry_filetype(entry) != AE_IFREG) {
            ok = Fail(failure, file, quoted + " is neither a regular file nor a folder (links and special "
                                              "files are not taken)");
            break;
        }
        ZipMember member;
        long long modified = archive_entry_mtime_is_set(entry) ? (long long)archive_entry_mtime(entry) : 0;
        if (!StartMember(folder && name.back() != '/' ? name + "/" : name, modified, member)) {
            ok = Fail(failure, file, quoted + " has a name that is not valid UTF-8");
            break;
        }
        if (!folder) {
            const char *target = archive_entry_hardlink_utf8(entry);
            if (target && archive_entry_size(entry) == 0) {
                // A tar hard link carries no data: the target's is taken.
                std::string linked = target;
                while (linked.compare(0, 2, "./") == 0)
                    linked.erase(0, 2);
                bool found = false;
                for (const ZipMember &earlier : archive.members)
                    if (earlier.name == linked) {
                        member = earlier, member.name = name, found = true;
                        break;
                    }
                if (!found) {
                    ok = Fail(failure, file, quoted + " links to '" + EscapedText(linked, true) + "', not found before it");
                    break;
                }
            } else if (!PackEntryData(reader, entry, level, spool, member, failure)) {
                ok = Fail(failure, file, quoted + " " + failure.cause);
                break;
            }
        }
        std::string refusal = MemberRefusal(member);
        if (!refusal.empty()) {
            ok = Fail(failure, file, quoted + " " + refusal);
            break;
        }
        archive.members.push_back(std::move(member));
    }
    archive_read_free(reader);
    return ok;
}

bool DecodeOtherMethods(const std::string &file, int level, Spool &spool, ZipArchive &archive, Failure &failure) {
    size_t waiting = 0;
    for (const ZipMember &member : archive.members)
        waiting += IsStubMethod(member) ? 0 : 1;
    if (waiting == 0)
        return true;
    struct archive *reader = OpenArchive(file);
    if (!reader)
        return Fail(failure, file, "libarchive cannot read it");
    std::vector<bool> done(archive.members.size(), false);
    struct archive_entry *entry = nullptr;
    bool ok = true;
    int result;
    while (ok && waiting > 0 && (result = archive_read_next_header(reader, &entry)) != ARCHIVE_EOF) {
        if (result != ARCHIVE_OK && result != ARCHIVE_WARN)
            break;
        const char *utf8 = archive_entry_pathname_utf8(entry);
        const char *raw = archive_entry_pathname(entry);
        for (size_t i = 0; i < archive.members.size(); i++) {
            ZipMember &member = archive.members[i];
            if (done[i] || IsStubMethod(member) || !((utf8 && member.name == utf8) || (raw && member.name == raw)))
                continue;
            std::string quoted = "member '" + MemberDisplayName(member) + "'";
            ZipMember packed = member;
            if (!PackEntryData(reader, entry, level, spool, packed, failure))
                ok = Fail(failure, file, quoted + " uses compression method " + std::to_string(member.method) +
                                             ", which libarchive cannot decode: " + failure.cause);
            else if (packed.uncompressedSize != member.uncompressedSize || packed.crc != member.crc)
                ok = Fail(failure, file, quoted + " fails its CRC or size check once decoded (its data is damaged)");
            else
                member = packed;
            done[i] = true;
            waiting--;
            break;
        }
    }
    archive_read_free(reader);
    for (size_t i = 0; ok && i < archive.members.size(); i++)
        if (!IsStubMethod(archive.members[i]))
            ok = Fail(failure, file, "member '" + MemberDisplayName(archive.members[i]) + "' uses compression method " +
                                         std::to_string(archive.members[i].method) + ", which libarchive cannot decode");
    return ok;
}

#else

bool HasLibarchive() {
    return false;
}

bool IsOtherArchive(const std::string &) {
    return false;
}

bool ReadOtherArchive(const std::string &file, int, Spool &, ZipArchive &, Failure &failure) {
    return Fail(failure, file, "this mksfx reads ZIP archives and folders only (it is built without libarchive)");
}

bool DecodeOtherMethods(const std::string &, int, Spool &, ZipArchive &, Failure &) {
    return true;
}

#endif
