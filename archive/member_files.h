// The file-system calls for a member's path (memberPath and the folders along
// it), and paths as messages show them.
//
// Every member takes the wide calls: its path is wide from the destination
// folder to the name, whatever the name came as, and on NT the ANSI calls
// would only convert it back and forth. Windows 95 and 98 have the wide file
// calls only as stubs that fail, so there a member ends with the message for
// the call that failed.
#pragma once
#include "platform/win32.h"

int MemberPathExists(const WCHAR *path);
int MakeMemberFolder(const WCHAR *path);      // true when made
HFILE CreateMemberFile(const WCHAR *path);    // created or truncated; HFILE_ERROR on failure

// path into messagePath, as messages show it: with every character it has
// (the boxes and the status line are wide), cut when too long for it.
void ShowPathInMessages(const WCHAR *path);
