// The default destination folder and the launching of programs: the
// after-unzip command and the registered archiver.
#include "base/path_utils.h"
#include "ui/folders.h"

#include "base/error_exit.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/resources.h"

enum FolderSizes {
    kCandidateSize = 264,          // a candidate default folder
    kEnvironmentLimit = kPathBufferSize,   // what GetEnvironmentVariableW may fill
    kWindowsFolderLimit = 250,     // what GetWindowsDirectoryW may fill
    kLaunchBufferSize = 740,       // archiver command line; folder and program found; message
    kRegistryValueSize = 261,      // the archiver's registered command
    // The program part (the whole value at worst, plus a space) and the quoted
    // module path always fit, so no registered command is ever cut.
    kArchiverCommandSize = kRegistryValueSize + 1 + 2 + kPathBufferSize,
};

static_assert(kEnvironmentLimit <= kCandidateSize, "an environment folder fits the candidate");
static_assert(kWindowsFolderLimit - 1 + 1 + 4 + 1 <= kPathBufferSize,
              "Windows folder, separator and TEMP fit the destination");
static_assert(kArchiverCommandSize <= kLaunchBufferSize, "the archiver command fits the command line");
static_assert(kAfterUnzipSize + 120 <= kLaunchBufferSize, "strings 14 and 46 with a command fit");
static_assert(kArchiverCommandSize + 40 <= kLaunchBufferSize, "string 14 with the archiver command fits");

static const char kArchiverKey[] = "tarvex\\shell\\open\\command";

int TryEnvironmentFolder(const WCHAR *name, WCHAR *buffer) {
    // A value too long for the buffer answers its size and leaves the buffer
    // unfilled: it counts as unset.
    DWORD length = GetEnvironmentVariableW(name, buffer, kEnvironmentLimit);
    return length != 0 && length < kEnvironmentLimit && buffer[0];
}

int WindowsTempFolder(WCHAR *buffer) {
    UINT length = GetWindowsDirectoryW(buffer, kWindowsFolderLimit);
    if (length == 0 || length >= kWindowsFolderLimit)
        return 0;
    if (!IsSeparator(buffer[length - 1]))
        buffer[length++] = '\\';
    CopyWide(buffer + length, WIDE_TEXT("TEMP"));
    uint32_t attributes = 0;
    if (!PathExists(buffer, &attributes))
        return MakeFolder(buffer);
    return attributes == FILE_ATTRIBUTE_DIRECTORY;
}

int DefaultDestinationFolder(WCHAR *destination) {
    WCHAR candidate[kCandidateSize];
    if (!TryEnvironmentFolder(WIDE_TEXT("TMP"), candidate) && !TryEnvironmentFolder(WIDE_TEXT("TEMP"), candidate) &&
        !WindowsTempFolder(candidate))
        return 0;
    StripTrailingBackslash(candidate);
    CopyWide(destination, candidate);
    return 1;
}

// Splits command at its last '\\' into folder (written to folder) and file
// (answered, inside command). After ':', '\\' or '.' - and at the very
// start - the backslash stays with the folder: C:\\, \\\\, ..\\ and \\ keep
// naming the folder they name.
static const WCHAR *SplitCommand(const WCHAR *command, WCHAR *folder) {
    const WCHAR *last = nullptr;
    for (const WCHAR *p = command; *p; p++)
        if (*p == '\\')
            last = p;
    if (!last) {
        folder[0] = 0;
        return command;
    }
    int keepBackslash = last == command || last[-1] == ':' || last[-1] == '\\' || last[-1] == '.';
    int folderLength = (int)(last - command) + (keepBackslash ? 1 : 0);
    for (int i = 0; i < folderLength; i++)
        folder[i] = command[i];
    folder[folderLength] = 0;
    return last + 1;
}

int LaunchProgram(const WCHAR *command, const WCHAR *arguments) {
    WCHAR scratch[kLaunchBufferSize];   // the folder, then the program found
    const WCHAR *file = SplitCommand(command, scratch);
    INT_PTR result = (INT_PTR)FindExecutableW(file, scratch, scratch);
    if (result == SE_ERR_NOASSOC) {
        FormatWide(ctx.messageText, LookupString(kStrCannotUseCommandFile), command);
        ShowWideBox(ctx.messageText, MB_ICONERROR);
        return 0;
    }
    if (result > 32) {
        const WCHAR *verb = (configRecord.Flags & kFlagInstallVerb) ? WIDE_TEXT("Install") : nullptr;
        result = (INT_PTR)ShellExecuteW(ctx.mainDialog, verb, command, arguments[0] ? arguments : nullptr, nullptr,
                                        SW_SHOWNORMAL);
        if (result > 32)
            return (int)result;
    }
    FormatWide(ctx.messageText, LookupString(kStrErrorRunningCommand), (int)result, command);
    ShowWideBox(ctx.messageText, MB_OK);
    return 0;
}

// Where the program part of a registered command ends: at its first space,
// looked for behind the closing quote when the program path is quoted (a
// quoted path may hold spaces of its own).
static char *ProgramPartEnd(char *command) {
    char *p = command;
    if (*p == '"')
        for (p++; *p && *p != '"'; p++) {
        }
    while (*p && *p != ' ')
        p++;
    return p;
}

// The archiver's command line for this file: the registered program part,
// then imagePath in quotes, in the ANSI code page WinExec takes. False when
// no archiver is registered.
static int ComposeArchiverCommand(char *commandLine) {
    LONG size = kRegistryValueSize;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, kArchiverKey, commandLine, &size) != ERROR_SUCCESS ||
        !commandLine[0])
        return 0;
    char *end = ProgramPartEnd(commandLine);
    if (*end != ' ')
        *end = ' ';   // a command without arguments still gets the file
    int length = (int)(end + 1 - commandLine);
    length += wsprintfA(end + 1, "\"%ls\"", ctx.imagePath);
    // A spanned archive on .ZIP volumes is opened by its volume name.
    if ((configRecord.Flags & kFlagSpanned) && !(configRecord.Flags & kFlagExeVolumes) &&
        lstrlenW(ctx.imagePath) >= 3) {
        commandLine[length - 4] = 'z';
        commandLine[length - 3] = 'i';
        commandLine[length - 2] = 'p';
    }
    return 1;
}

int RunArchiver() {
    char commandLine[kArchiverCommandSize];
    if (GetKeyState(VK_SHIFT) < 0 || !ComposeArchiverCommand(commandLine)) {
        ShowBox(LookupString(kStrArchiverNotFound), MB_OK);
        return 0;
    }
    // WinExec answers 31 or less when it could not start the program.
    UINT result = WinExec(commandLine, SW_SHOWNORMAL);
    if (result > 31)
        return 1;
    char message[kLaunchBufferSize];
    wsprintfA(message, LookupString(kStrErrorRunningCommand), (int)result, commandLine);
    ShowBox(message, MB_OK);
    return 0;
}
