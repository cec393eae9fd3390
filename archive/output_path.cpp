// Where a member goes: the output path composed from the destination folder
// and the decoded member name, and the folders along it.
#include "archive/output_path.h"

#include "archive/member_files.h"
#include "archive/member_names.h"
#include "base/error_exit.h"
#include "base/path_utils.h"
#include "context/extraction_context.h"
#include "image/resources.h"

enum LongPrefixes {
    kLongPrefixLength = 4,      // \\?\ before a drive path
    kUncLongPrefixLength = 8,   // \\?\UNC\ in place of a share's leading \\ (6 more characters)
};

static_assert((int)kLongPrefixRoom >= (int)kUncLongPrefixLength, "room for either prefix before the full path");
static_assert(kPlainPathSize >= kPathBufferSize + kMemberNameSize, "destination, separator, name and NUL fit");

// destinationFolder, a separator and the name into plainPath, answering its
// length. Every leading separator of the name is dropped, so no name
// reaches the root or a UNC server; runs of separators collapse into one;
// '/' becomes '\'.
static int ComposePlainPath() {
    WCHAR *path = ctx.plainPath;
    int length = (int)(CopyWide(path, ctx.destinationFolder) - path);
    // The separator between the two comes first, then the name; each
    // separator is left out at the start and after another one.
    const WCHAR *name = ctx.memberName;
    for (WCHAR c = '\\'; c; c = *name++) {
        if (IsSeparator(c)) {
            if (length <= 0 || IsSeparator(path[length - 1]))
                continue;
            c = '\\';
        }
        path[length++] = c;
    }
    path[length] = 0;
    return length;
}

// Windows measures a path by its full form (a relative destination is
// resolved against the current folder), so that is what is measured: while
// it fits the classic limits (259 characters, 247 for the folders along it)
// the plain path is taken as it stands; beyond them the full path behind
// \\?\ (or \\?\UNC\ for a share), with the wide calls, since the long form
// takes no relative parts.
void ComposeMemberPath() {
    int length = ComposePlainPath();
    WCHAR *full = ctx.outputPath + kLongPrefixRoom;
    // Windows 95 and 98 answer 0 here and leave full as it is (zero, or a
    // path of an earlier member): they know only the classic paths.
    DWORD fullLength = GetFullPathNameW(ctx.plainPath, kLongPathLimit + 1, full, 0);
    ctx.memberPath = ctx.plainPath;
    ctx.longPrefix = 0;
    if (length <= kMaxPathLength && fullLength <= kMaxPathLength &&
        FileNamePart(full) - full <= kMaxFolderPathLength + 1)
        return;

    // A destination given in the long or the device form is taken as it stands.
    int share = full[0] == '\\' && full[1] == '\\';
    int added = 0;
    if (!share || (full[2] != '?' && full[2] != '.')) {
        // \\server becomes \\?\UNC\server: the prefix's C lands on the first '\'.
        ctx.longPrefix = share ? kUncLongPrefixLength : kLongPrefixLength;
        added = ctx.longPrefix - 2 * share;
        full -= added;
        for (int i = 0; i < ctx.longPrefix - share; i++)
            full[i] = "\\\\?\\UNC"[i];
    }
    if (fullLength == 0 || fullLength + added > kLongPathLimit)
        RefuseMember(kPathTooLongText);
    ctx.memberPath = full;
}

void ComposeOutputPath() {
    ComposeMemberPath();
    ShowPathInMessages(ctx.plainPath);
}

// Where folder creation starts: past a long prefix, the one put in front or
// one the destination came with (\\?\ or \\.\, \\?\UNC\); past the server
// and share of a UNC path (never created), each with the separator behind
// it; or past a drive and a separator.
static int CreationStart(const WCHAR *path) {
    int at = 0;
    if (IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == '?' || path[2] == '.') && IsSeparator(path[3])) {
        at = kLongPrefixLength;
        if ((path[4] | 0x20) == 'u' && (path[5] | 0x20) == 'n' && (path[6] | 0x20) == 'c' && IsSeparator(path[7]))
            at = kUncLongPrefixLength;
    }
    if (at == kUncLongPrefixLength || (at == 0 && IsSeparator(path[0]) && IsSeparator(path[1]))) {
        at = at ? at : 2;
        for (int passed = 0; path[at] && passed < 2; at++)
            passed += IsSeparator(path[at]);
        return at;
    }
    if (path[at] && path[at + 1] == ':')
        at += 2;
    if (IsSeparator(path[at]))
        at++;
    return at;
}

void ForgetFolders() {
    ctx.knownFolders[0] = 0;
}

static void CheckDestinationDrive() {
    const WCHAR *destination = ctx.destinationFolder;
    if (destination[0] && destination[1] == ':' && !DriveIsValid(destination)) {
        WCHAR drive[2] = {destination[0], 0};
        ShowErrorAbout(LookupString(kStrInvalidDrive), drive);
    }
}

// Whether the folders in knownFolders are there: the deepest is, as it
// ends (with no separator), after one attribute query, which opens no
// handle. A folder that is there is on a valid drive, inside every folder
// above it.
static int KnownFoldersAreThere() {
    WCHAR *known = ctx.knownFolders;
    WCHAR *end = known;
    while (*++end) {
    }
    end[-1] = 0;
    DWORD attributes = GetFileAttributesW(known);
    end[-1] = '\\';
    return attributes != INVALID_FILE_ATTRIBUTES;
}

// The folders along a member's path that the pass found or made for the
// member before are not looked up one by one again: under Wine each look is
// a round trip to its server, and most members share their folders with the
// one before. knownFolders holds that member's path up to its last
// separator. What the drive check and those looks answer can change between
// members (a disk changed, a drive or a folder gone), so the member first
// asks whether the deepest of them is still there; when it is not, the
// member gets the full walk, drive check first, as the first member of a
// pass does.
void CreateFolders() {
    WCHAR *known = ctx.knownFolders;
    if (!known[0] || !KnownFoldersAreThere()) {
        known[0] = 0;
        CheckDestinationDrive();
    }

    // Each separator ends a folder: a folder member's path ends in one, so
    // its own folder is made too; a file's last component is not. A folder
    // whose path up to here is the known one's is there already.
    WCHAR *path = ctx.memberPath;
    const WCHAR *start = path + CreationStart(path);
    WCHAR *knownEnd = known;
    int same = 1;
    for (WCHAR *at = path; *at; at++, known++) {
        same = same && *known == *at;
        *known = *at;
        if (at < start || !IsSeparator(*at))
            continue;
        knownEnd = known + 1;
        if (same)
            continue;
        *at = 0;
        if (!MemberPathExists(path) && !MakeMemberFolder(path)) {
            ShowPathInMessages(path);
            ShowErrorAbout(LookupString(kStrCouldNotCreateFolder), ctx.messagePath);
        }
        *at = '\\';
    }
    *knownEnd = 0;
}
