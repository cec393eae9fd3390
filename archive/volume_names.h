// The files and disk labels of an archive spanned over removable disks.
// Every volume carries the program's own file name with its extension (from
// the last '.' of the file name on, or nothing when the name has none)
// replaced by ".EXE" or ".ZIP"; every disk carries a label "PKBACK# nnn".
// The stub opens volumes and reads labels by these rules, mksfx writes them.
#pragma once
#include <stdint.h>

// What a valid label begins with.
extern const char kVolumeLabelPrefix[];
enum VolumeLabelSizes { kVolumeLabelPrefixLength = 7 };

// The length of the part of fileName (a name without folders) that the
// volumes share: up to its last '.', or all of it without one. A name that
// is only an extension (".exe") shares nothing.
// Text of the ANSI code page or wide: '.' is the same unit in both.
template <typename Char>
uint32_t VolumeStemLength(const Char *fileName) {
    uint32_t length = 0, stem = 0;
    int dotSeen = 0;
    for (; fileName[length]; length++)
        if (fileName[length] == '.') {
            stem = length;
            dotSeen = 1;
        }
    return dotSeen ? stem : length;
}

// ".EXE" when exeVolume, else ".ZIP".
const char *VolumeExtension(int exeVolume);

// The disk number in a volume label: after the prefix, the first space or
// '.', then the first run of decimal digits, taken modulo 65536; -1 when
// the label lacks the prefix, the separator or the digits.
int DiskNumberOfLabel(const char *label);
