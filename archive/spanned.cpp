// Archives spanned over removable disks: the disk prompts, the volume label,
// the volume files, and skips that run on into the next volume.
#include "archive/spanned.h"

#include "archive/output_path.h"
#include "archive/volume_names.h"
#include "base/error_exit.h"
#include "base/path_utils.h"
#include "context/extraction_context.h"
#include "image/image_checks.h"
#include "image/resources.h"

enum SpannedSizes {
    kLabelSize = 32,                         // what the file system may report
    kVolumeNameSize = kPathBufferSize + 4,   // room to append an extension
};

// The drive the program was started from, as the prompts name it: "A:" from
// a drive-letter path; for a UNC path the share, "\\server\share" (a share
// has no disks to change, but its label is read and the prompts name it).
// In the ANSI code page, as the prompts' texts are.
static void FormDriveText(char *text) {
    const WCHAR *path = ctx.imagePath;
    int length = 0;
    if (path[0] && path[1] == ':') {
        length = 2;
    } else if (path[0] == '\\' && path[1] == '\\') {
        int separators = 0;
        while (path[length] && !(IsSeparator(path[length]) && ++separators == 4))
            length++;
    }
    text[WideCharToMultiByte(CP_ACP, 0, path, length, text, kPathBufferSize - 1, 0, 0)] = 0;
}

// The volume file on the disk: imagePath with its extension replaced, or
// the extension appended when the file name has none.
static void FormVolumeName(WCHAR *name, int exeVolume) {
    CopyWide(name, ctx.imagePath);
    WCHAR *file = name + (FileNamePart(name) - name);
    WCHAR *end = file + VolumeStemLength(file);
    const char *extension = VolumeExtension(exeVolume);
    while ((*end++ = (uint8_t)*extension++) != 0) {
    }
}

int ReadDiskNumber(const char *drive) {
    char label[kLabelSize + 1] = {0};
    // The root for the call needs its backslash (NT refuses "A:"); drive
    // texts come without one.
    char root[kPathBufferSize + 1];
    lstrcpyA(root, drive);
    AppendSeparator(root);
    if (!GetVolumeInformationA(root, label, kLabelSize, 0, 0, 0, 0, 0))
        return -1;
    label[kLabelSize] = 0;
    return DiskNumberOfLabel(label);
}

void RequestDisk(int disk, int exeVolume) {
    if (ctx.archiveFile) {
        _lclose(ctx.archiveFile);
        ctx.archiveFile = 0;
    }
    char drive[kPathBufferSize];
    FormDriveText(drive);
    for (;;) {
        int found = ReadDiskNumber(drive);
        while (found == -1) {
            wsprintfA(ctx.messageBuffer, LookupString(kStrDiskMissingOrWrongLabel), disk);
            int answer = ShowBox(ctx.messageBuffer, MB_ABORTRETRYIGNORE | MB_ICONQUESTION);
            if (answer == IDIGNORE)
                found = disk;   // the disk in the drive is taken as the one asked for
            else if (answer == IDRETRY)
                found = ReadDiskNumber(drive);
            else
                AbortSilently();
        }
        ctx.currentDisk = (uint16_t)found;
        if (found == disk)
            break;
        if (disk == 0)
            wsprintfA(ctx.messageBuffer, LookupString(kStrInsertLastDisk), drive);
        else
            wsprintfA(ctx.messageBuffer, LookupString(kStrInsertDisk), disk, drive);
        if (!AskOkCancel(ctx.messageBuffer, 0))
            AbortSilently();
    }
    // The destination may be on the disk just changed.
    ForgetFolders();
    WCHAR volume[kVolumeNameSize];
    FormVolumeName(volume, exeVolume);
    HFILE file = OpenForReading(volume, 0);
    if (file == HFILE_ERROR)
        HeaderCorrupt();
    ctx.archiveFile = file;
}

// Relative seeks take at most this many bytes at a time: _llseek's offset is
// signed, and a skip never goes backwards.
static const uint32_t kLargestSeek = 0x7FFFFFFFu;

void SkipArchiveBytes(uint32_t distance) {
    while (!ctx.spanned && distance > 0) {
        uint32_t step = distance > kLargestSeek ? kLargestSeek : distance;
        _llseek(ctx.archiveFile, (LONG)step, FILE_CURRENT);
        distance -= step;
    }
    // Spanned: what does not fit in this volume continues at the start of
    // the next one.
    while (ctx.spanned && distance > 0) {
        LONG here = _llseek(ctx.archiveFile, 0, FILE_CURRENT);
        LONG end = _llseek(ctx.archiveFile, 0, FILE_END);
        uint32_t room = here >= 0 && end > here ? (uint32_t)(end - here) : 0;
        if (distance <= room) {
            _llseek(ctx.archiveFile, (LONG)(here + distance), FILE_BEGIN);
            return;
        }
        distance -= room;
        RequestDisk(ctx.currentDisk + 1, ctx.exeVolumes);
    }
}
