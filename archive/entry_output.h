// Entry output: one member from the archive to a file on disk, and the path
// utilities the other subsystems share.
#pragma once
#include <stdint.h>

#include "platform/win32.h"

// The member's path from the destination and the decoded name, into
// memberPath (see archive/member_files.h for the calls it takes). Ends the
// pass only for a path longer than Windows takes at all. The walk runs it
// for a folder member, then CreateFolders.
void ComposeMemberPath();

// Called for each file member by the walk, in this order.
// ComposeMemberPath, and the composed path in messagePath.
void ComposeOutputPath();
// Every missing folder along memberPath (a folder member's own too).
void CreateFolders();
// The folders CreateFolders found or made are looked up again: at the start
// of a pass, and when a disk is changed.
void ForgetFolders();
int ConfirmOverwrite();          // 1 write, 0 skip; Cancel does not return
void ExtractMember();

// Empties a full output buffer: in memory mode it only resets pending; in
// file mode it hands the piece to WriteOutputPieces.
void FlushOutput();
// Output in whole 2048-byte pieces (the last may be shorter) in one write:
// progress counted piece by piece with the meter moved at its marks, then
// WriteOutputBytes.
void WriteOutputPieces(const uint8_t *data, uint32_t count);
// count bytes of output to the file: the CRC-32 takes them, one write
// carries them, then CheckWrite. Not counted as progress.
void WriteOutputBytes(const uint8_t *data, uint32_t count);
// Reports a failed or short write (`written` as the write answered, against
// the count asked for), then pumps messages; a confirmed abort ends the pass.
void CheckWrite(uint32_t written, uint32_t count);
// Sends the meter its position bytesWritten * 100 / TotalSize when it is
// shown, then repaints it and the main dialog (the 64 KiB mark of
// FlushOutput, and before the overwrite question).
void RefreshMeter();
void CreateOutputFile();
void SetMemberTime();
// The status line's "Unzipping <file>" for the member about to be written.
// Each change of the line is a round trip to the window system and a
// repaint, dearer under Wine than a small member's whole file, so the line
// changes at most once a pump interval: the member is named at its first
// write when that much time has passed since the line last changed, else at
// the first write that is due, before any box, or at the end of the pass,
// whichever comes first. A member with data always writes, so the line
// never names a member that has not started, nor stays behind for long.
void ShowUnzipping();
// Names the member on the status line if it is behind and a pump interval
// has passed since the line last changed.
void CatchUpStatus();
// Names the member on the status line now if it is behind (before a box and
// at the end of a pass).
void ShowStatusNow();
// string 34 with the file name part of messagePath, into buffer
// (kMessageBufferSize characters).
void FormatUnzipping(WCHAR *buffer);

// The meter position for bytesWritten: bytesWritten * 100 / TotalSize cut
// to 16 bits, 100 while TotalSize is 0.
uint16_t MeterPosition();

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
