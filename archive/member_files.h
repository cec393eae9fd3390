// The file-system calls for a member's path (memberPath and the folders along
// it), and the path as messages show it.
//
// A member whose name came as single-byte text and whose path fits the
// classic limits takes the ANSI calls, exactly as before names could be
// UTF-8; a UTF-8 name or a long path (wideCalls) takes the wide calls.
// Windows 95 and 98 have the wide file calls only as stubs that fail, so
// there such a member ends with the message for the call that failed.
#pragma once
#include "platform/win32.h"

// The prefixes of long paths: "\\?\" (or the device form "\\.\") and,
// for a share, "\\?\UNC\".
enum LongPrefixLengths {
    kLongPrefixLength = 4,
    kUncLongPrefixLength = 8,
};
// kLongPrefixLength, kUncLongPrefixLength or 0 for a path without either.
int LongPrefixLength(const WCHAR *path);

int MemberPathExists(const WCHAR *path);
int MakeMemberFolder(const WCHAR *path);      // true when made
HFILE CreateMemberFile(const WCHAR *path);    // created or truncated; HFILE_ERROR on failure

// path as a message shows it, into text (kMessagePathSize bytes): without
// the long prefix (a share as \\server\share again), in the ANSI code page,
// with '?' for every character the code page lacks. A UTF-8 name is never
// shown through look-alikes (best fit would show U+2215 as '/'). A path too
// long for text is shown cut.
void FormatPathForDisplay(const WCHAR *path, char *text);
