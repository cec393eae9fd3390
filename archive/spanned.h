// Archives spanned over removable disks labelled "PKBACK# nnn".
#pragma once

// Closes the archive file, makes sure disk `disk` is in the drive (prompting
// the user) and opens its volume (.EXE when exeVolume, else .ZIP) at offset
// 0. Abort or Cancel leave through AbortSilently.
void RequestDisk(int disk, int exeVolume);

// The disk number in the drive's volume label, or -1 without a valid label.
int ReadDiskNumber(const char *drive);
