// Member names that must not reach the file system as they stand: names that
// would climb out of the destination folder, name a drive or a stream, or
// open a device. The walk refuses them before anything of the member is made.
#pragma once
#include "platform/win32.h"

// Program texts for these refusals, held outside the StringTable like the
// header-corrupt text. Each takes the member name.
extern const char kUnsafeNameText[];
extern const char kPathTooLongText[];

// The rules a decoded name (archive/name_decoding.h; length characters)
// must keep to, for the extractor and the builder alike. The first rule the
// name breaks, or kNameSafe: not empty, and no component that ends in a
// blank or a dot (so no "..", "." or ". ."), no ':', no control character
// (NUL among them), no device name such as CON, NUL.TXT, "com1 .log" or
// CONOUT$. Only the ASCII characters count here: look-alikes such as U+2215
// or U+FF0E are ordinary characters of a name, and the wide file calls keep
// them as such. A leading separator breaks no rule: the output path drops it.
enum NameRule {
    kNameSafe,
    kNameEmpty,
    kNameTrailingDotOrBlank,
    kNameDevice,
    kNameControlOrColon,
};
int MemberNameRule(const WCHAR *name, int length);

// Formats text with the message path (the member name) and ends the pass
// through ShowError.
[[noreturn]] void RefuseMember(const char *text);
