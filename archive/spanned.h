// Archives spanned over removable disks labelled "PKBACK# nnn".
#pragma once
#include <stdint.h>

// Closes the archive file, makes sure disk `disk` is in the drive (prompting
// the user) and opens its volume (.EXE when exeVolume, else .ZIP) at offset
// 0. Abort or Cancel leave through AbortSilently.
void RequestDisk(int disk, int exeVolume);

// The disk number in the drive's volume label, or -1 without a valid label.
int ReadDiskNumber(const char *drive);

// Moves the archive file forward by distance bytes (a skipped extra field,
// member or data descriptor). In a spanned archive a skip that runs past the
// end of the volume requests the next disk and goes on there.
void SkipArchiveBytes(uint32_t distance);
