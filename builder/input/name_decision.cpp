#include "builder/input/name_decision.h"

#include "base/crc32.h"
#include "archive/extra_fields.h"
#include "archive/zip_format.h"
#include "builder/common/system.h"
#include "builder/members/member_span.h"
#include "builder/members/name_text.h"

namespace {

enum MakerSystems { kMakerUnix = 3, kMakerMacOs = 19 };

// The UTF-8 name the archive marks for the member: its own with bit 11, else
// a Unicode Path field's, the local header's before the central one's.
bool MarkedName(const ZipMember &member, std::string &utf8) {
    if (member.flags & kFlagBitUtf8) {
        utf8 = member.name;
        return true;
    }
    uint32_t crc = Crc32Of((const uint8_t *)member.name.data(), member.name.size());
    for (const std::vector<uint8_t> *extra : {&member.localExtra, &member.centralExtra}) {
        int length = 0;
        const char *field = UnicodePathName(extra->data(), (uint32_t)extra->size(), crc, &length);
        if (field) {
            utf8.assign(field, (size_t)length);
            return true;
        }
    }
    return false;
}

bool IsSeparatorByte(char c) {
    return c == '/' || c == '\\';
}

void DropUnicodePath(std::vector<uint8_t> &extra) {
    extra.resize(DropExtraFields(extra.data(), (uint32_t)extra.size(), kExtraUnicodePath));
}

}  // namespace

std::string WithoutDotParts(const std::string &name) {
    std::string out;
    size_t at = 0;
    while (name.size() >= at + 2 && name[at] == '.' && IsSeparatorByte(name[at + 1]))
        at += 2;
    for (; at < name.size(); at++) {
        if (IsSeparatorByte(name[at]) && name.size() >= at + 3 && name[at + 1] == '.' && IsSeparatorByte(name[at + 2])) {
            at++;   // the part's own separator stays where the next one was
            continue;
        }
        out += name[at];
    }
    return out;
}

bool DecideNames(ZipArchive &archive, unsigned codePage, const std::string &file, std::vector<std::string> &warnings,
                 Failure &failure) {
    std::vector<int> marked(archive.members.size());
    std::vector<std::string> names(archive.members.size());
    bool unmarkedUtf8 = true;
    for (size_t i = 0; i < archive.members.size(); i++) {
        const ZipMember &member = archive.members[i];
        marked[i] = MarkedName(member, names[i]);
        if (!marked[i]) {
            names[i] = member.name;
            unmarkedUtf8 = unmarkedUtf8 && IsValidUtf8(member.name);
        }
    }
    std::string kept;
    for (size_t i = 0; i < archive.members.size(); i++) {
        ZipMember &member = archive.members[i];
        int maker = member.versionMadeBy >> 8;
        bool known = marked[i] || IsAscii(member.name);
        if (!known && unmarkedUtf8 && (maker == kMakerUnix || maker == kMakerMacOs)) {
            known = true;
        } else if (!known && codePage != 0) {
            if (!CodePageToUtf8(codePage, member.name, names[i]))
                return Fail(failure, file,
                            "member '" + EscapedText(member.name, false) + "' cannot be read in code page " +
                                std::to_string(codePage));
            known = true;
        } else if (!known) {
            kept += (kept.empty() ? "'" : ", '") + EscapedText(member.name, false) + "'";
        }
        if (known) {
            DropUnicodePath(member.localExtra);
            DropUnicodePath(member.centralExtra);
            member.flags = (uint16_t)(IsAscii(names[i]) ? member.flags & ~kFlagBitUtf8 : member.flags | kFlagBitUtf8);
        }
        member.name = WithoutDotParts(names[i]);
    }
    if (!kept.empty())
        warnings.push_back("the names of " + kept +
                           " do not say how they are encoded; the stub reads them in the ANSI code page of the "
                           "machine it runs on (--name-codepage N reads them in code page N)");
    std::vector<ZipMember> &members = archive.members;
    for (size_t i = members.size(); i-- > 0;)
        if (members[i].name.empty() && DataSize(members[i]) == 0 && members[i].uncompressedSize == 0)
            members.erase(members.begin() + (long)i);
    return true;
}
