#include "archive/volume_names.h"

const char kVolumeLabelPrefix[] = "PKBACK#";
static_assert(sizeof kVolumeLabelPrefix - 1 == kVolumeLabelPrefixLength, "PKBACK# is seven characters");

const char *VolumeExtension(int exeVolume) {
    return exeVolume ? ".EXE" : ".ZIP";
}

static int IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int DiskNumberOfLabel(const char *label) {
    for (int i = 0; i < kVolumeLabelPrefixLength; i++)
        if (label[i] != kVolumeLabelPrefix[i])
            return -1;
    const char *p = label;
    while (*p && *p != ' ' && *p != '.')
        p++;
    while (*p && !IsDigit(*p))
        p++;
    if (!*p)
        return -1;   // a separator with no number behind it
    uint16_t number = 0;
    for (; IsDigit(*p); p++)
        number = (uint16_t)(number * 10 + (*p - '0'));
    return number;
}
