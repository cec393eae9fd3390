// Entry output: one member from the archive to a file on disk, and the path
// utilities the other subsystems share.
#pragma once
#include <stdint.h>

// Called for each file member by the walk, in this order.
void ComposeOutputPath();
void CreateFolders();
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
void ShowUnzipping();
// string 34 with the file name part of messagePath, into buffer.
void FormatUnzipping(char *buffer);

// The meter position for bytesWritten: bytesWritten * 100 / TotalSize cut
// to 16 bits, 100 while TotalSize is 0.
uint16_t MeterPosition();

// Path utilities (NUL-terminated ANSI text; a separator is '/' or '\').
int IsSeparator(char c);
int PathExists(const char *path, uint32_t *attributes);   // attributes may be null
int MakeFolder(const char *path);                         // 0 created, 1 failed
void AppendSeparator(char *text);
void StripTrailingBackslash(char *text);
const char *FileNamePart(const char *path);
int DriveIsValid(const char *path);
char *GetCurrentFolder(char *buffer, uint32_t size);
int ChangeFolder(char *path);                             // 0 success, 1 failure
