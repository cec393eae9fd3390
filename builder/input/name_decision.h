// Member names decided once, with the whole archive in view, and written as
// the stub will read them: UTF-8 with flag bit 11 in both headers wherever
// the characters are known, the stored bytes otherwise. Data, CRCs and times
// stay as they are.
#pragma once
#include <string>
#include <vector>

#include "builder/common/failure.h"
#include "builder/members/zip_members.h"

// How each name is read, the first rule that applies:
// - flag bit 11, or a Unicode Path field (0x7075) that stands for the stored
//   name in the local or else the central header: that UTF-8 name;
// - when the maker is Unix or macOS (version made by 3 or 19) and every
//   unmarked name of the archive that is not ASCII is well-formed UTF-8:
//   the stored bytes as UTF-8 (such tools write UTF-8 without the flag);
// - with `codePage` (not 0): the stored bytes in that code page;
// - else the stored bytes as they are, which the stub reads in the ANSI
//   code page of the machine it runs on; `warnings` gets one line naming
//   those members and suggesting --name-codepage.
// Then a leading "./" and inner "/./" parts are dropped, and a folder member
// left without a name (the "./" of the input's root) is dropped with them.
// An ASCII name is stored without bit 11, so that it takes the ANSI calls.
// Fails on names that cannot be read in `codePage`.
bool DecideNames(ZipArchive &archive, unsigned codePage, const std::string &file, std::vector<std::string> &warnings,
                 Failure &failure);

// `name` without a leading "./" (repeated) and without inner "/./" parts;
// either separator counts.
std::string WithoutDotParts(const std::string &name);
