// What the stub can extract: names it accepts and that stay inside the
// destination folder, the two methods it decodes, the traditional encryption
// only, and folder members without data.
#include <stdio.h>
#include <string.h>

#include "archive/zip_format.h"
#include "builder/name_text.h"
#include "builder/zip_members.h"
#include "context/extraction_context.h"

static_assert(kMaxNameLength == 200, "the walk accepts names of at most 200 bytes");

bool IsFolderName(const std::string &name) {
    return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

uint64_t TotalUncompressedSize(const ZipArchive &archive) {
    uint64_t total = 0;
    for (const ZipMember &member : archive.members)
        total += member.uncompressedSize;
    return total;
}

bool AnyMemberEncrypted(const ZipArchive &archive) {
    for (const ZipMember &member : archive.members)
        if (member.flags & kFlagBitEncrypted)
            return true;
    return false;
}

std::string MemberDisplayName(const ZipMember &member) {
    return DisplayName(member.name, member.flags, member.localExtra.empty() ? member.centralExtra : member.localExtra);
}

// Characters Windows does not allow in a file name (the separators aside).
static bool IsForbiddenNameCharacter(unsigned char c) {
    return c < 0x20 || strchr("<>:\"|?*", c) != nullptr;
}

// Why the name, as the extractor decodes it, cannot be extracted safely, or
// "" when it can.
static std::string NameRefusal(const std::string &name) {
    if (name.empty())
        return "has an empty name";
    if (name[0] == '/' || name[0] == '\\')
        return "is an absolute path";
    if (name.size() >= 2 && name[1] == ':')
        return "starts with a drive letter";
    for (unsigned char c : name)
        if (IsForbiddenNameCharacter(c))
            return "holds a character Windows does not allow in file names";
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos)
            end = name.size();
        if (name.compare(start, end - start, "..") == 0)
            return "has a '..' component";
        start = end + 1;
    }
    return "";
}

std::string MemberRefusal(const ZipMember &member) {
    // The limit counts the stored bytes: UTF-8 bytes for a UTF-8 name.
    if (member.name.size() > kMaxNameLength)
        return "has a name of " + std::to_string(member.name.size()) + " bytes (at most " +
               std::to_string((int)kMaxNameLength) + ")";
    if ((member.flags & kFlagBitUtf8) && !IsValidUtf8(member.name))
        return "has a name marked as UTF-8 that is not valid UTF-8";
    std::string why = NameRefusal(member.name);
    std::string unicode;
    if (why.empty() && !(member.flags & kFlagBitUtf8) &&
        UnicodePathName(member.localExtra.empty() ? member.centralExtra : member.localExtra, member.name, unicode))
        why = IsValidUtf8(unicode) ? NameRefusal(unicode) : "has a Unicode path that is not valid UTF-8";
    if (!why.empty())
        return why;
    if (member.method == kMethodAes)
        return "uses AES encryption";
    if (member.flags & (kFlagBitStrongEncryption | kFlagBitMaskedDirectory))
        return "uses strong encryption";
    if (member.method != kMethodStored && member.method != kMethodDeflated)
        return "uses compression method " + std::to_string(member.method) +
               " (only stored and deflated can be extracted)";
    if (IsFolderName(member.name) && member.uncompressedSize != 0)
        return "is a folder that carries data";
    return "";
}
