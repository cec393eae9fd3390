#include "builder/input/folder_attribute.h"

#include <stdio.h>

#include "archive/zip_format.h"
#include "builder/input/zip_reader.h"
#include "builder/members/name_text.h"

bool IsAttributeOnlyFolder(const ZipMember &member) {
    return (member.externalAttributes & kDosAttributeDirectory) && member.uncompressedSize == 0 &&
           !member.name.empty() && !IsFolderName(member.name);
}

bool NameAttributeFolders(ZipArchive &archive, const std::string &file, Failure &failure) {
    for (ZipMember &member : archive.members) {
        if (!IsAttributeOnlyFolder(member))
            continue;
        std::string old = member.name;
        member.name += '/';
        std::string refusal = MemberRefusal(member);
        if (!refusal.empty())
            return Fail(failure, file,
                        "folder '" + EscapedText(old, false) + "' (marked by its attribute) " + refusal + " once it ends in '/'");
        fprintf(stderr, "mksfx: %s: note: '%s' is a folder by its attribute alone; stored as '%s'\n", file.c_str(),
                EscapedText(old, false).c_str(), EscapedText(member.name, false).c_str());
    }
    return true;
}

std::vector<std::string> AttributeOnlyFolders(const std::string &image) {
    ZipArchive archive;
    Failure ignored;
    ZipReadOptions options;
    options.allowDamaged = true;   // the data is judged by the stub's own pass
    std::vector<std::string> warnings, names;
    if (!ReadZipFile(image, options, archive, warnings, ignored))
        return names;
    for (const ZipMember &member : archive.members)
        if (IsAttributeOnlyFolder(member))
            names.push_back(member.name);
    return names;
}
