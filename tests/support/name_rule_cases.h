// The name rules as one table: the stub's walk (tests/archive/paths_test.cpp)
// and mksfx (tests/builder/builder_refusals_test.cpp) both run every row, so
// the two cannot drift apart. Names are UTF-8.
#pragma once
#include "archive/member_names.h"

namespace namerules {

struct NameRuleCase {
    const char *name;
    int rule;               // what MemberNameRule answers
    bool windowsRefuses;    // mksfx refuses it too, though the stub's rules take it: Windows cannot make the file
};

const NameRuleCase kNameRuleCases[] = {
    {"a.txt", kNameSafe, false},
    {"dir/sub\\file.txt", kNameSafe, false},
    {"/abs/file", kNameSafe, false},                 // the output path drops the leading separator
    {"a..b/..c/d", kNameSafe, false},
    {"dir/", kNameSafe, false},
    {"CONSOLE.txt", kNameSafe, false},
    {"com10.txt", kNameSafe, false},
    {"lpt", kNameSafe, false},
    {"xnul", kNameSafe, false},
    {" CON", kNameSafe, false},                      // a leading blank is part of the name
    {".hidden", kNameSafe, false},
    {"\xC3\xA4nderung.txt", kNameSafe, false},
    {"\xE4\xB8\x96\xE7\x95\x8C/\xD0\xB4\xD0\xB0.txt", kNameSafe, false},
    {"what?.txt", kNameSafe, true},
    {"a<b>.txt", kNameSafe, true},
    {"pipe|d", kNameSafe, true},
    {"", kNameEmpty, false},
    {"..", kNameTrailingDotOrBlank, false},
    {"../evil.txt", kNameTrailingDotOrBlank, false},
    {"a/../../evil.txt", kNameTrailingDotOrBlank, false},
    {"a\\..\\b", kNameTrailingDotOrBlank, false},
    {"a/..", kNameTrailingDotOrBlank, false},
    {".", kNameTrailingDotOrBlank, false},
    {"a/./b", kNameTrailingDotOrBlank, false},
    {"a/.../b", kNameTrailingDotOrBlank, false},
    {"a/. ./b", kNameTrailingDotOrBlank, false},
    {"evil /x.txt", kNameTrailingDotOrBlank, false},
    {"dots../y.txt", kNameTrailingDotOrBlank, false},
    {"tdot.", kNameTrailingDotOrBlank, false},
    {"blank ", kNameTrailingDotOrBlank, false},
    {"d/e./", kNameTrailingDotOrBlank, false},
    {"CON.", kNameTrailingDotOrBlank, false},
    {"NUL   ", kNameTrailingDotOrBlank, false},
    {"C:evil.txt", kNameControlOrColon, false},
    {"C:\\evil.txt", kNameControlOrColon, false},
    {"file.txt:stream", kNameControlOrColon, false},
    {"tab\there", kNameControlOrColon, false},
    {"bell\x07", kNameControlOrColon, false},
    {"line\nbreak", kNameControlOrColon, false},
    {"CON", kNameDevice, false},
    {"con.txt", kNameDevice, false},
    {"dir/Nul", kNameDevice, false},
    {"nul.txt", kNameDevice, false},
    {"PRN.log/x", kNameDevice, false},
    {"aux", kNameDevice, false},
    {"COM1", kNameDevice, false},
    {"COM1.log", kNameDevice, false},
    {"lpt9.dat", kNameDevice, false},
    {"COM0", kNameDevice, false},
    {"com\xC2\xB9", kNameDevice, false},             // superscript one
    {"CONIN$", kNameDevice, false},
    {"conin$", kNameDevice, false},
    {"conout$.txt", kNameDevice, false},
    {"nul .txt", kNameDevice, false},
    {"dir/con .tar.gz", kNameDevice, false},
};

}  // namespace namerules
