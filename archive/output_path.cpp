// Where a member goes: the output path composed from the destination folder
// and the decoded member name, and the folders along it.
#include "app/error_exit.h"
#include "archive/entry_output.h"
#include "archive/member_files.h"
#include "archive/member_names.h"
#include "context/extraction_context.h"
#include "image/resources.h"

// The destination (in UTF-16 no longer than in the ANSI code page), a
// separator, the name and a NUL.
enum { kPlainPathSize = kPathBufferSize + kMemberNameSize };

static_assert(kOutputPathSize - kLongPrefixRoom == kLongPathLimit + 1, "a long path and its NUL fit behind the room");

// destinationFolder, a separator and the name into path (kPlainPathSize
// units), answering its length. Every leading separator of the name is
// dropped, so no name reaches the root or a UNC server; runs of separators
// collapse into one; '/' becomes '\'.
static int ComposePlainPath(WCHAR *path) {
    int length = MultiByteToWideChar(CP_ACP, 0, ctx.destinationFolder, -1, path, kPathBufferSize) - 1;
    if (length < 0)
        length = 0;
    if (length > 0 && !IsSeparator(path[length - 1]))
        path[length++] = '\\';
    const WCHAR *name = ctx.memberName;
    while (IsSeparator(*name))
        name++;
    for (; *name; name++) {
        WCHAR c = IsSeparator(*name) ? '\\' : *name;
        if (c == '\\' && length > 0 && path[length - 1] == '\\')
            continue;
        path[length++] = c;
    }
    path[length] = 0;
    return length;
}

// The long form of the full path (of length characters, at full in
// outputPath): behind \\?\, or behind \\?\UNC\ in place of a share's \\.
// Ends the pass when that is longer than Windows takes.
static WCHAR *LongForm(WCHAR *full, DWORD length) {
    static const char kPrefix[] = "\\\\?\\UNC";
    if (LongPrefixLength(full))
        return full;   // the destination was given in this form
    int share = IsSeparator(full[0]) && IsSeparator(full[1]);
    // \\server becomes \\?\UNC\server: the prefix's C lands on the first '\'.
    int added = share ? kUncLongPrefixLength - 2 : kLongPrefixLength;
    WCHAR *start = full - added;
    for (int i = 0; i < (share ? added + 1 : added); i++)
        start[i] = kPrefix[i];
    if (length + added > kLongPathLimit)
        RefuseMember(kPathTooLongText);
    return start;
}

// Windows measures a
// path by its full form (a relative destination is resolved against the
// current folder), so that is what is measured: while it fits the classic
// limits (259 characters, 247 for the folders along it) the plain path is
// taken as it stands; beyond them its long form, with the wide calls, as
// \\?\ takes no relative parts. UTF-8 names always take the wide calls.
void ComposeMemberPath() {
    WCHAR plain[kPlainPathSize];
    int length = ComposePlainPath(plain);
    WCHAR *full = ctx.outputPath + kLongPrefixRoom;
    // Windows 95 and 98 answer 0 here and leave full empty: they know only
    // the classic paths, and the plain one is taken.
    full[0] = 0;
    DWORD fullLength = GetFullPathNameW(plain, kLongPathLimit + 1, full, 0);
    if (fullLength > kLongPathLimit)
        RefuseMember(kPathTooLongText);
    int folders = (int)(FileNamePart(full) - full) - 1;
    ctx.wideCalls = ctx.unicodeName;
    if (length <= kMaxPathLength && fullLength <= kMaxPathLength && folders <= kMaxFolderPathLength) {
        ctx.memberPath = ctx.outputPath;
        for (int i = 0; i <= length; i++)
            ctx.memberPath[i] = plain[i];
        return;
    }
    ctx.wideCalls = 1;
    ctx.memberPath = LongForm(full, fullLength);
}

void ComposeOutputPath() {
    ComposeMemberPath();
    FormatPathForDisplay(ctx.memberPath, ctx.messagePath);
}

// Where folder creation starts: past a long prefix, past the server and
// share of a UNC path (never created) or past a drive, then past a
// separator.
static int CreationStart(const WCHAR *path) {
    int at = LongPrefixLength(path);
    if (at == kUncLongPrefixLength || (at == 0 && IsSeparator(path[0]) && IsSeparator(path[1]))) {
        at = at ? at : 2;
        for (int part = 0; part < 2; part++) {
            while (path[at] && !IsSeparator(path[at]))
                at++;
            if (part == 0 && path[at])
                at++;
        }
    } else if (path[at] && path[at + 1] == ':') {
        at += 2;
    }
    if (IsSeparator(path[at]))
        at++;
    return at;
}

void CreateFolders() {
    const char *destination = ctx.destinationFolder;
    if (destination[0] && destination[1] == ':' && !DriveIsValid(destination)) {
        char drive[2] = {destination[0], 0};
        ShowErrorAbout(LookupString(kStrInvalidDrive), drive);
    }

    // A folder member's path ends in a separator, so its own folder is made too.
    WCHAR *path = ctx.memberPath;
    const WCHAR *stop = FileNamePart(path);
    for (WCHAR *at = path + CreationStart(path); at < stop; at++) {
        if (!IsSeparator(*at))
            continue;
        *at = 0;
        if (!MemberPathExists(path) && !MakeMemberFolder(path)) {
            FormatPathForDisplay(path, ctx.messagePath);
            ShowErrorAbout(LookupString(kStrCouldNotCreateFolder), ctx.messagePath);
        }
        *at = '\\';
    }
}
