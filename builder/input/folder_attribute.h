// Folders marked by the MS-DOS directory attribute alone. Archives from
// MS-DOS tools give a folder no trailing '/', only the attribute in its
// central record; the stub, which reads local headers alone, would write
// such a folder as an empty file and then fail on the files inside it.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "builder/common/failure.h"
#include "builder/members/zip_members.h"

// True for a member with the directory attribute, no data (uncompressed
// size 0) and a name that does not end in a separator.
bool IsAttributeOnlyFolder(const ZipMember &member);

// Gives each such member of the archive read from `file` a trailing '/', so
// that the stub makes it a folder, with a note on stderr for each. Refuses
// a member whose name the stub cannot take once it is longer.
bool NameAttributeFolders(ZipArchive &archive, const std::string &file, Failure &failure);

// The names of the members of the archive in the image file `image` that
// are folders by their attribute alone (empty when the archive cannot be
// read as a whole, as for a spanned set); the file is read a part at a time.
std::vector<std::string> AttributeOnlyFolders(const std::string &image);
