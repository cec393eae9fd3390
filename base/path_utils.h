// Path utilities shared by the entry output, the main dialog, the meter and
// the destination folder code.
#pragma once
#include <stdint.h>

#include "platform/win32.h"

// Path utilities (NUL-terminated wide text, ANSI where the type says so; a
// separator is '/' or '\'). IsSeparator and FileNamePart take both.
int IsSeparator(unsigned c);
// Copies from into to; answers where to's terminator now lies.
WCHAR *CopyWide(WCHAR *to, const WCHAR *from);
int PathExists(const WCHAR *path, uint32_t *attributes);   // attributes may be null
int MakeFolder(const WCHAR *path);                         // 1 created, 0 failed
void AppendSeparator(char *text);
void StripTrailingBackslash(WCHAR *text);
// The text after the last separator, searching from the last character
// down to the second ("\name" is a name); the whole text when there is none.
template <typename Char>
const Char *FileNamePart(const Char *path) {
    const Char *part = path;
    for (const Char *p = path[0] ? path + 1 : path; *p; p++)
        if (IsSeparator(*p))
            part = p + 1;
    return part;
}
int DriveIsValid(const WCHAR *path);
WCHAR *GetCurrentFolder(WCHAR *buffer, uint32_t size);
int ChangeFolder(WCHAR *path);                             // 1 entered, 0 failed
