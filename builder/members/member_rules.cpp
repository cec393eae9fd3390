// What the stub can extract: names it accepts and that stay inside the
// destination folder, the two methods it decodes, the traditional encryption
// only, and folder members without data.
#include <stdio.h>
#include <string.h>

#include <map>

#include "archive/member_names.h"
#include "archive/name_decoding.h"
#include "archive/zip_format.h"
#include "builder/members/name_text.h"
#include "builder/members/zip_members.h"
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

// Characters Windows does not allow in a file name beside the ones the
// stub's own rules refuse. They are looked for only in UTF-8 and ASCII
// names: in an ANSI name a double-byte character's trail byte may be '|'.
static bool HoldsForbiddenCharacter(const WCHAR *name, int length) {
    for (int i = 0; i < length; i++)
        if (name[i] < 0x80 && strchr("<>\"|?*", (char)name[i]))
            return true;
    return false;
}

// Why the stub would refuse the member's name, or "" when it takes it: the
// name decoded as the stub decodes it, then the stub's own rules
// (archive/member_names.h).
static std::string NameRefusal(const ZipMember &member) {
    // The limit counts the stored bytes: UTF-8 bytes for a UTF-8 name.
    if (member.name.size() > kMaxNameLength)
        return "has a name of " + std::to_string(member.name.size()) + " bytes (at most " +
               std::to_string((int)kMaxNameLength) + ")";
    bool utf8;
    std::string text = StubNameText(member.name, member.flags, member.localExtra, utf8);
    WCHAR name[kMaxNameLength];
    int length = DecodeNameText(text.data(), (int)text.size(), utf8, name);
    if (length == 0 && !text.empty())
        return IsValidUtf8(text) ? "has a name of more than " + std::to_string((int)kMaxNameLength) + " characters"
                                 : "has a name marked as UTF-8 that is not valid UTF-8";
    switch (MemberNameRule(name, length)) {
    case kNameEmpty:
        return "has an empty name";
    case kNameTrailingDotOrBlank:
        return "has a name part that ends in a blank or a dot ('.' and '..' among them)";
    case kNameDevice:
        return "has a device name (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9) as a name part";
    case kNameControlOrColon:
        return "holds a control character or ':'";
    }
    if ((utf8 || IsAscii(text)) && HoldsForbiddenCharacter(name, length))
        return "holds a character Windows does not allow in file names (< > \" | ? *)";
    return "";
}

// A name's characters as Windows compares them: upper case for ASCII,
// Latin-1, Greek and Cyrillic letters, which covers the names seen in
// practice; other characters compare as they are.
static std::u16string FoldedCase(const WCHAR *name, int length) {
    std::u16string folded(name, name + length);
    for (char16_t &c : folded) {
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) ||
            (c >= 0x430 && c <= 0x44F))
            c = (char16_t)(c - 0x20);
        else if (c >= 0x450 && c <= 0x45F)
            c = (char16_t)(c - 0x50);
        else if (c == '\\')
            c = '/';
    }
    return folded;
}

std::vector<std::string> CaseCollisions(const ZipArchive &archive) {
    std::map<std::u16string, const ZipMember *> seen;
    std::vector<std::string> warnings;
    for (const ZipMember &member : archive.members) {
        bool utf8;
        std::string text = StubNameText(member.name, member.flags, member.localExtra, utf8);
        WCHAR name[kMaxNameLength];
        int length = DecodeNameText(text.data(), (int)text.size(), utf8, name);
        auto found = seen.emplace(FoldedCase(name, length), &member);
        if (!found.second && found.first->second->name != member.name)
            warnings.push_back("members '" + MemberDisplayName(*found.first->second) + "' and '" +
                               MemberDisplayName(member) +
                               "' differ only in case: Windows makes them one file, so the later one replaces the "
                               "earlier or asks to");
    }
    return warnings;
}

std::string MemberRefusal(const ZipMember &member) {
    std::string why = NameRefusal(member);
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
