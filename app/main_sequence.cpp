#include "app/main_sequence.h"

#include <string.h>

#include "app/command_line.h"
#include "app/dll_search.h"
#include "archive/spanned.h"
#include "base/crc32.h"
#include "base/error_exit.h"
#include "base/exit_codes.h"
#include "base/global_blocks.h"
#include "base/path_utils.h"
#include "base/run_log.h"
#include "codec/inflate.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/image_checks.h"
#include "image/resource_data.h"
#include "image/resources.h"
#include "progress/meter.h"
#include "ui/main_dialog.h"

enum StartupConstants {
    kErrorMode = 0x8001,               // SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX
    kFirstWin32Major = 4,
    kFontHeight = 14,
    kFontCharset = 128,                // used for every one of the far-east code pages
    kFontClipPrecision = 0x12,         // CLIP_STROKE_PRECIS | CLIP_LH_ANGLES
    kFontQuality = 2,                  // PROOF_QUALITY
    kFontPitchAndFamily = 2,           // VARIABLE_PITCH | FF_DONTCARE
};

static const DWORD kNotNtFamily = 0x80000000u;   // GetVersion's high bit

// The argument text behind the switches, and the version, kept for the
// guarded part of start-up.
static WCHAR *startArguments;
static DWORD windowsVersion;

// Dialogs in the far-east code pages get a font that can show their texts.
static void CreateCodePageFont() {
    UINT codePage = GetACP();
    if (codePage != 874 && codePage != 932 && codePage != 936 && codePage != 949 && codePage != 950)
        return;
    LOGFONTA look;
    memset(&look, 0, sizeof look);
    look.lfHeight = kFontHeight;
    look.lfCharSet = kFontCharset;
    look.lfClipPrecision = kFontClipPrecision;
    look.lfQuality = kFontQuality;
    look.lfPitchAndFamily = kFontPitchAndFamily;
    lstrcpyA(look.lfFaceName, "Helv");
    ctx.codePageFont = CreateFontIndirectA(&look);
}

static void LoadShellFolderFunctions() {
    ctx.shellLibrary = LoadShellLibrary();
    if (!ctx.shellLibrary)
        return;
    ctx.browseForFolder = GetProcAddress(ctx.shellLibrary, "SHBrowseForFolderW");
    ctx.getMalloc = GetProcAddress(ctx.shellLibrary, "SHGetMalloc");
    ctx.getPathFromIdList = GetProcAddress(ctx.shellLibrary, "SHGetPathFromIDListW");
}

static void AllocateGlobalTexts() {
    ctx.titleText = (WCHAR *)LockedGlobalBlock(GPTR, kTitleTextSize * sizeof(WCHAR));
    ctx.afterUnzipCommand = (WCHAR *)LockedGlobalBlock(GPTR, kAfterUnzipSize * sizeof(WCHAR));
    ctx.afterUnzipArguments = (WCHAR *)LockedGlobalBlock(GPTR, kAfterUnzipSize * sizeof(WCHAR));
    ctx.infoText = (WCHAR *)LockedGlobalBlock(GPTR, kInfoTextSize * sizeof(WCHAR));
    ctx.messageBuffer = (char *)LockedGlobalBlock(GPTR, kMessageBufferSize);
}

// The image's path as the system gives it, with the last component in long
// form (a long name that would not fit leaves the path as it was); wide, so
// that it names the image whatever characters its name has. Then makes the
// image's folder current. A folder at the root of a drive keeps its
// backslash: "C:" alone would name the drive's current folder.
static void FindImagePath() {
    GetModuleFileNameW(0, ctx.imagePath, kPathBufferSize - 1);
    int name = (int)(FileNamePart(ctx.imagePath) - ctx.imagePath);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(ctx.imagePath, &found);
    if (search != INVALID_HANDLE_VALUE) {
        if (name + lstrlenW(found.cFileName) < kPathBufferSize)
            CopyWide(ctx.imagePath + name, found.cFileName);
        FindClose(search);
    }
    if (name == 0)
        return;
    WCHAR folder[kPathBufferSize];
    int cut = name - 1;
    if (cut > 0 && ctx.imagePath[cut - 1] == ':')
        cut++;
    memcpy(folder, ctx.imagePath, cut * sizeof(WCHAR));
    folder[cut] = 0;
    SetCurrentDirectoryW(folder);
}

static uint8_t *LocalBuffer(size_t size) {
    return (uint8_t *)LocalAlloc(LPTR, size);
}

// The image operations in their order, with the working buffers and the
// ResourceBlock between them.
static void InitialiseImage() {
    SetUpSignatures();
    CrcBuildTable();
    OpenImage();
    // The checksum covers the code that runs before it too, but that code has
    // run by then: a changed byte there crashes or misbehaves instead of
    // showing the header box, and no self-check can avoid that entirely. It
    // is the entry, MainSequence up to its GuardedCall, StartupWork's buffer
    // test, the calls above and the checksum's own, with the memory
    // functions of stub/runtime.cpp they use. Keep that path short: whatever
    // the start-up order lets wait belongs behind this check.
    if (configRecord.StubCrc != 0)
        TestStubChecksum(configRecord.ArchiveOffset, configRecord.StubCrc, configRecord.Marker);
    ctx.spanned = (configRecord.Flags & kFlagSpanned) != 0;
    ctx.exeVolumes = (configRecord.Flags & kFlagExeVolumes) != 0;
    ctx.inflateWindow = LocalBuffer(kWindowAllocation);
    ctx.inputBuffer = LocalBuffer(kIoBufferAllocation);
    ctx.outputBuffer = LocalBuffer(kIoBufferAllocation);
    if (!ctx.inflateWindow || !ctx.inputBuffer || !ctx.outputBuffer)
        HeaderCorrupt();
    ExpandResourceBlock();
    // The TextBlock of a spanned archive is read from the program file on
    // disk 1.
    if (ctx.spanned)
        RequestDisk(1, 1);
    if (ctx.spanned && configRecord.TextBlockOffset != 0)
        RequestDisk(1, 1);
    ReadTextBlock();
    TestEndRecord();
}

// False (after the box) on a 32-bit layer over an older Windows. NT
// versions before 4 run, without the folder browser.
static int PassesVersionGate(DWORD version) {
    int major = (int)(version & 0xFF);
    ctx.windows4OrLater = major >= kFirstWin32Major;
    if ((version & kNotNtFamily) && major < kFirstWin32Major) {
        ShowBox(LookupString(kStrRequiresWindows), MB_OK);
        return 0;
    }
    return 1;
}

// False when the user declined the start-up prompt. Under -silent it is
// taken as accepted: whoever asked for a silent run has answered it.
static int AcceptStartupPrompt() {
    if (!ctx.startupPrompt)
        return 1;
    if (ctx.silent) {
        LogWide(kLogMessage, ctx.startupPrompt);
        return 1;
    }
    uint32_t flags = configRecord.Flags;
    UINT buttons = MB_OK;
    if (flags & kFlagPromptButtons)
        buttons = (flags & kFlagPromptOkCancel) ? MB_OKCANCEL : MB_YESNO;
    // The title stays empty without HasTitle.
    int answer = ShowTitledBox(ctx.startupPrompt, ctx.titleText, buttons | MB_TASKMODAL);
    if (answer == IDNO || answer == IDCANCEL)
        return 0;
    LocalFree(ctx.startupPrompt);
    ctx.startupPrompt = 0;
    return 1;
}

void ReleaseExtraction() {
    // A decode cut short by an exit leaves its block's tables in the context.
    ReleaseDecodeTables();
    LocalFree(ctx.inflateWindow);
    LocalFree(ctx.inputBuffer);
    LocalFree(ctx.outputBuffer);
    ctx.inflateWindow = ctx.inputBuffer = ctx.outputBuffer = 0;
    if (ctx.archiveFile) {
        _lclose(ctx.archiveFile);
        ctx.archiveFile = 0;
    }
    if (ctx.outputFile) {
        _lclose(ctx.outputFile);
        ctx.outputFile = 0;
    }
}

static void Shutdown() {
    ReleaseExtraction();
    FreeLockedGlobal(ctx.titleText);
    FreeLockedGlobal(ctx.infoText);
    FreeLockedGlobal(ctx.messageBuffer);
    FreeLockedGlobal(ctx.afterUnzipCommand);
    FreeLockedGlobal(ctx.afterUnzipArguments);
    FreeLockedGlobal(ctx.resourceBlock);
    ctx.titleText = ctx.infoText = ctx.afterUnzipCommand = ctx.afterUnzipArguments = 0;
    ctx.messageBuffer = 0;
    ctx.resourceBlock = 0;
    if (ctx.shellLibrary)
        FreeLibrary(ctx.shellLibrary);
    ctx.shellLibrary = 0;
}

// %NAME% in the folder (the default one or the one given after AUTO) from
// the environment; names it does not know stay as written. A result too
// long for the folder leaves the folder as written.
static void ExpandFolderVariables() {
    WCHAR expanded[kPathBufferSize];
    DWORD size = ExpandEnvironmentStringsW(ctx.destinationFolder, expanded, kPathBufferSize);
    if (size != 0 && size <= kPathBufferSize)
        CopyWide(ctx.destinationFolder, expanded);
}

// Everything under the start-up guard. Returning early ends the program
// without the shutdown, as does any exit back to the guard.
static void StartupWork() {
    // A missing text buffer would be written through later; treat it like
    // the working buffers.
    if (!ctx.titleText || !ctx.afterUnzipCommand || !ctx.afterUnzipArguments || !ctx.infoText ||
        !ctx.messageBuffer)
        HeaderCorrupt();
    InitialiseImage();
    ctx.exitStatus = kExitRefused;
    if (!TestEntryPoint()) {
        ShowBox(LookupString(kStrDamaged), MB_ICONERROR);
        return;
    }
    if (HasInfoOption(startArguments)) {
        ctx.exitStatus = kExitUnzipped;
        ShowWideBox(ctx.infoText, MB_OK);
        return;
    }
    if (!PassesVersionGate(windowsVersion))
        return;
    if (configRecord.Complete == 0) {
        ShowBox(LookupString(kStrIncomplete), MB_ICONERROR);
        return;
    }
    ctx.overwriteWithoutPrompting = ctx.answerYes || (configRecord.Flags & kFlagOverwriteDefault) != 0;
    ctx.currentEntryEncrypted = (configRecord.Flags & kFlagEncrypted) != 0;
    RegisterMeterClass(ctx.instance);
    ctx.exitStatus = kExitDeclined;
    if (!AcceptStartupPrompt())
        return;
    // Until a pass ends, ending the dialog is a cancel.
    ctx.exitStatus = kExitCancelled;
    if (configRecord.Flags & kFlagAutoMode)
        ctx.autoMode = 1;
    ScanCommandLine(startArguments);
    ctx.autoMode |= ctx.silent;
    ExpandFolderVariables();
    // The template sits at an odd offset in the ResourceBlock; the dialog
    // runs from an aligned copy of its own.
    // A dialog that cannot be made (no desktop to make it on) unzipped
    // nothing, and no one cancelled it.
    if (RunDialogFromCopy(LookupString(kMainDialogTemplate), kMainTemplateCopySize, 0,
                          WINDOWS_PROCEDURE(MainDialogProc)) == -1)
        ctx.exitStatus = kExitFailed;
    // An exit kept while the dialog ran ends the program as one that had
    // reached this guard would: without the shutdown.
    if (ctx.keptExitCode)
        return;
    Shutdown();
}

int MainSequence(HINSTANCE instance, WCHAR *arguments) {
    // Before anything can load a library.
    RestrictDllSearch();
    CreateCodePageFont();
    ctx.waitCursor = LoadCursorA(0, IDC_WAIT);
    ctx.arrowCursor = LoadCursorA(0, IDC_ARROW);
    FindImagePath();
    ctx.instance = instance;
    SetErrorMode(kErrorMode);
    windowsVersion = GetVersion();
    LoadShellFolderFunctions();
    AllocateGlobalTexts();
    startArguments = ScanSwitches(arguments);
    GuardedCall(StartupWork);
    LogExit();
    return ctx.exitStatus;
}
