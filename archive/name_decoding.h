// The member name as text: UTF-8 when the local header's flag bit 11 says
// so, else the UTF-8 of a Unicode Path extra field (0x7075) that stands for
// the stored name, else text in the ANSI code page, split by character (a
// double-byte character's trail byte is never a separator).
#pragma once
#include <stdint.h>

#include "platform/win32.h"

// The text a member's name is decoded from: the stored name (*length
// bytes) when `flags` has bit 11, else the name of a Unicode Path field in
// the extra area that stands for it (`storedCrc` is the stored name's
// CRC-32), else the stored name as ANSI text. Sets *length to the text's
// length and *utf8 to 1 for UTF-8 text, 0 for ANSI.
const char *ChooseNameText(uint16_t flags, const char *stored, int *length, const uint8_t *extra, uint32_t extraLength,
                           uint32_t storedCrc, int *utf8);

// Decodes `length` bytes of name text, UTF-8 or ANSI, into `name` (at least
// kMaxNameLength characters of room; no NUL is added) and answers the
// number of UTF-16 characters. The decoded name has the stored name's limit,
// kMaxNameLength characters, so that a long Unicode Path name cannot force
// the long path form from any destination. 0 for UTF-8 that is not
// well-formed (overlong forms among it, such as C0 AE for '.') and for a
// name beyond the limit.
int DecodeNameText(const char *text, int length, int utf8, WCHAR *name);

// Decodes the stored name (entryPath, nameLength bytes) into memberName as
// UTF-16 and answers its length; sets unicodeName for a UTF-8 name, and
// shows the decoded name in messagePath (a name DecodeNameText answers 0
// for as stored), control characters escaped as \xNN. Ends the pass with
// the unsafe-name message for a name DecodeNameText answers 0 for and for
// any name that breaks a rule of MemberNameRule.
int DecodeMemberName();
