// Where a member goes: the output path composed from the destination folder
// and the member name, and the folders along it.
#include "app/error_exit.h"
#include "archive/entry_output.h"
#include "archive/member_names.h"
#include "context/extraction_context.h"
#include "image/resources.h"

static_assert(kEntryPathSize > kPathBufferSize + 1 + kMaxNameLength,
              "destination, separator and the longest name fit the path buffers");

// destinationFolder, a separator and name into path (kEntryPathSize bytes).
// Every leading separator of the name is dropped, so no name reaches the root
// or a UNC server; runs of separators collapse into one; '/' becomes '\'.
// A result longer than the platform's path limit ends the pass.
static void ComposeMemberPath(char *path, const char *name) {
    int length = 0;
    for (const char *d = ctx.destinationFolder; *d; d++) {
        if (length >= kMaxPathLength)
            RefuseMember(kPathTooLongText);
        path[length++] = *d;
    }
    path[length] = 0;
    if (length > 0) {
        AppendSeparator(path);
        length = lstrlenA(path);
    }
    while (IsSeparator(*name))
        name++;
    for (; *name; name++) {
        char c = IsSeparator(*name) ? '\\' : *name;
        if (c == '\\' && length > 0 && path[length - 1] == '\\')
            continue;
        if (length >= kMaxPathLength)
            RefuseMember(kPathTooLongText);
        path[length++] = c;
    }
    path[length] = 0;
    if (length > kMaxPathLength)
        RefuseMember(kPathTooLongText);
}

void ComposeOutputPath() {
    char composed[kEntryPathSize];
    ComposeMemberPath(composed, ctx.entryPath);
    lstrcpyA(ctx.entryPath, composed);
}

static int IsBareDrive(const char *path) {
    return path[0] && path[1] == ':' && path[2] == 0;
}

// Where folder creation starts: past the server and share of a UNC path
// (never created), then past a leading separator.
static int CreationStart(const char *path) {
    int at = 0;
    if (path[0] == '\\' && path[1] == '\\') {
        at = 2;
        while (path[at] && !IsSeparator(path[at]))
            at++;
        if (path[at])
            at++;
        while (path[at] && !IsSeparator(path[at]))
            at++;
    }
    if (IsSeparator(path[at]))
        at++;
    return at;
}

void CreateFolders() {
    char work[kEntryPathSize];
    int length = lstrlenA(ctx.entryPath);
    if (length > 0 && IsSeparator(ctx.entryPath[length - 1]))
        ComposeMemberPath(work, ctx.entryPath);   // folder member: the name as read
    else
        lstrcpyA(work, ctx.entryPath);

    if (work[0] && work[1] == ':' && !DriveIsValid(work)) {
        work[1] = 0;
        ShowErrorAbout(LookupString(kStrInvalidDrive), work);
    }

    // A folder member's path ends in a separator, so its own folder is made too.
    int stop = (int)(FileNamePart(work) - work);
    for (int i = CreationStart(work); i < stop; i++) {
        if (!IsSeparator(work[i]))
            continue;
        work[i] = 0;
        if (!IsBareDrive(work) && !PathExists(work, 0) && MakeFolder(work) != 0) {
            ShowErrorAbout(LookupString(kStrCouldNotCreateFolder), work);
        }
        work[i] = '\\';
    }
}
