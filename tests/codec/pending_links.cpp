// Stand-ins for operations other subsystems provide, so that the codec tests
// and the benchmark link before those land. Each is weak: the real definition
// replaces it as soon as the logic library holds one. Remove this file when
// main has ExpandResourceBlock, LookupString and RequestDisk.
#include "archive/spanned.h"
#include "context/extraction_context.h"
#include "image/resources.h"

__attribute__((weak)) void ExpandResourceBlock() {}

__attribute__((weak)) const char *LookupString(int index) {
    switch (index) {
    case kStrErrorWriting:
        return "Error writing to %s.  Possible cause: disk full.";
    case kStrErrorReading:
        return "Error reading %s.  Possible cause: bad disk or file transfer error.";
    default:
        return "";
    }
}

// The disk in the drive is taken to be the one asked for: the volume next to
// the program, with the extension the choice gives, is opened at offset 0.
__attribute__((weak)) void RequestDisk(int disk, int exeVolume) {
    if (ctx.archiveFile > 0)
        _lclose(ctx.archiveFile);
    char path[kPathBufferSize];
    lstrcpyA(path, ctx.modulePath);
    char *dot = path + lstrlenA(path);
    while (dot > path && *dot != '.')
        dot--;
    lstrcpyA(dot, exeVolume ? ".EXE" : ".ZIP");
    ctx.archiveFile = _lopen(path, OF_READ | OF_SHARE_DENY_WRITE);
    ctx.currentDisk = (uint16_t)disk;
}
