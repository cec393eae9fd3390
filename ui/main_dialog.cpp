// The main dialog: names the file, takes the destination folder and the
// overwrite choice, and runs the extraction pass synchronously inside its
// Unzip command. While the pass runs, the message pump lets this procedure
// run nested for painting and the meter timer.
#include "base/path_utils.h"
#include "ui/main_dialog.h"

#include <stdint.h>

#include "archive/extraction_pass.h"
#include "base/error_exit.h"
#include "base/exit_codes.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/resources.h"
#include "progress/meter.h"
#include "ui/dialog_frame.h"
#include "ui/folders.h"
#include "ui/main_dialog_rules.h"
#include "ui/password_dialog.h"

enum MainDialogLimits {
    kMeterTimerId = 69,
    kMeterTimerDelay = 500,             // ms before a small archive's pass shows the meter
    kIntroductionNameLimit = 24,        // longer file names are not spelled out in control 101
    kCommandCaptionLimit = 10,          // longer after-unzip commands get a line of their own
    kFolderEditLimit = 260,
    kFormatBufferSize = 1024,           // wsprintfA never writes more
};

static_assert(kFolderEditLimit + 1 == kPathBufferSize, "the edit control holds what the folder buffer takes");

static const char kTitleFormat[] = "%hs - %s";   // the caption, the image's wide name

static void SetStatusText(HWND dialog, const char *text) {
    SetDlgItemTextA(dialog, kIdStatus, text);
}

// The check boxes through their own messages (what CheckDlgButton and
// IsDlgButtonChecked send), which the program imports anyway.
static void SetCheck(HWND dialog, int id, WPARAM state) {
    SendDlgItemMessageA(dialog, id, BM_SETCHECK, state, 0);
}

static int IsChecked(HWND dialog, int id) {
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

static void RepaintWindow(HWND window) {
    InvalidateRect(window, NULL, FALSE);
    UpdateWindow(window);
}

// Hides the status line under the meter for the rest of the dialog's life.
static void ShowMeter(HWND dialog, HWND meter) {
    ShowWindow(GetDlgItem(dialog, kIdStatus), SW_HIDE);
    ctx.meterShown = 1;
    ShowWindow(meter, SW_SHOW);
    InvalidateRect(meter, NULL, FALSE);
}

// --- initialisation ---

static void DropBrowseWithoutShell(HWND dialog) {
    if (!BrowseCanWork())
        DestroyWindow(GetDlgItem(dialog, kIdBrowse));
}

// Control 101 names the file unless the name would crowd the line.
static void ShowIntroduction(HWND dialog) {
    const WCHAR *name = FileNamePart(ctx.imagePath);
    if (lstrlenW(name) > kIntroductionNameLimit) {
        WidenText(LookupString(kStrThisSelfExtractor), ctx.messageText);
        name = ctx.messageText;
    }
    WCHAR text[kFormatBufferSize];
    FormatWide(text, LookupString(kStrIntroduction), name);
    SetDlgItemTextW(dialog, kIdIntroduction, text);
}

// The title is wide, with every character of the image's name and of the
// title its author wrote. The dialog is an ANSI window, whose SetWindowTextW
// would pass the text through the ANSI code page; the wide default procedure
// keeps it as it is.
static void ShowWindowTitle(HWND dialog) {
    WCHAR *title = ctx.messageText;   // no box is up while the dialog starts
    const WCHAR *text = ctx.titleText;
    if (!(configRecord.Flags & kFlagTitleInWindow)) {
        FormatWide(title, kTitleFormat, kCaption, FileNamePart(ctx.imagePath));
        text = title;
    } else if (!text[0]) {
        WidenText(LookupString(kStrSetup), title);
        text = title;
    }
    DefWindowProcW(dialog, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

// An empty folder gets the default one; "." stands for the self-extractor's
// own folder, which start-up made current.
static void ShowDestinationFolder(HWND dialog) {
    SendDlgItemMessageA(dialog, kIdFolder, EM_LIMITTEXT, kFolderEditLimit, 0);
    if (ctx.destinationFolder[0] == '\0')
        DefaultDestinationFolder(ctx.destinationFolder);
    else if (ctx.destinationFolder[0] == '.' && ctx.destinationFolder[1] == '\0')
        GetCurrentFolder(ctx.destinationFolder, kPathBufferSize);
    SetDlgItemTextW(dialog, kIdFolder, ctx.destinationFolder);
}

static void OfferAfterUnzipCommand(HWND dialog) {
    const WCHAR *command = ctx.afterUnzipCommand;
    if (!command || command[0] == '\0') {
        ShowWindow(GetDlgItem(dialog, kIdAfterUnzipCheck), SW_HIDE);
        return;
    }
    SetCheck(dialog, kIdAfterUnzipCheck, BST_CHECKED);
    WCHAR caption[kMessageBufferSize];
    WidenText(LookupString(kStrWhenDoneOpen), caption);
    if (lstrlenW(command) <= kCommandCaptionLimit)
        CopyWide(caption + lstrlenW(caption), command);
    else
        SetDlgItemTextW(dialog, kIdAfterUnzipCommand, command);
    SetDlgItemTextW(dialog, kIdAfterUnzipCheck, caption);
}

static INT_PTR OnInitDialog(HWND dialog) {
    PlaceDialog(dialog);
    DropBrowseWithoutShell(dialog);
    SetCheck(dialog, kIdOverwrite, ctx.overwriteWithoutPrompting ? BST_CHECKED : BST_UNCHECKED);
    HWND meter = GetDlgItem(dialog, kIdMeter);
    if (meter)
        ShowWindow(meter, SW_HIDE);
    ctx.extractionRunning = 0;
    ShowIntroduction(dialog);
    ShowWindowTitle(dialog);
    ShowDestinationFolder(dialog);
    ctx.mainDialog = dialog;
    OfferAfterUnzipCommand(dialog);
    SetStatusText(dialog, "");
    if (ctx.autoMode)
        PostMessageA(dialog, WM_COMMAND, kIdUnzip, 0);
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
    return TRUE;   // the dialog manager places the focus
}

// --- Unzip ---

// After the first Unzip, Enter means Close.
static void MakeCloseTheDefault(HWND dialog) {
    SendMessageA(dialog, DM_SETDEFID, kIdClose, 0);
    SendDlgItemMessageA(dialog, kIdUnzip, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendDlgItemMessageA(dialog, kIdClose, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

// Answers 1 when the folder can be used; tells the user why not otherwise.
static int AcceptFolder() {
    const char *problem = FolderProblem(ctx.destinationFolder);
    if (problem) {
        ShowBox(problem, MB_ICONERROR);
        ctx.exitStatus = kExitFailed;
    }
    return problem == NULL;
}

// Large or spanned archives show the meter at once; small ones only when
// their pass is still young after the timer's delay, so that a quick pass
// leaves its result readable in the status line.
static void StartMeter(HWND dialog) {
    ctx.meterShown = 0;
    HWND meter = GetDlgItem(dialog, kIdMeter);
    if (!meter)
        return;
    SendMessageA(meter, METER_SETPOS, 0, 0);
    SendMessageA(meter, METER_SETRANGE, 100, 0);
    ctx.meterTimer = 0;
    if (!MeterShowsAtOnce())
        ctx.meterTimer = SetTimer(dialog, kMeterTimerId, kMeterTimerDelay, NULL);
    if (!ctx.meterTimer)
        ShowMeter(dialog, meter);
}

// The status line stays hidden when the meter took its place.
static void StopMeter(HWND dialog) {
    if (ctx.meterTimer)
        KillTimer(dialog, kMeterTimerId);
    ctx.meterTimer = 0;
    SendDlgItemMessageA(dialog, kIdMeter, METER_SETPOS, 100, 0);
    RepaintWindow(dialog);
    HWND meter = GetDlgItem(dialog, kIdMeter);
    if (meter && ctx.meterShown)
        ShowWindow(meter, SW_HIDE);
    RepaintWindow(dialog);
    SetStatusText(dialog, "");
}

// The after-unzip command runs in the destination folder; the dialog ends
// once the folder could be entered.
static void OpenAfterUnzipCommand(HWND dialog) {
    if (ctx.destinationFolder[0] == '\0' || !ChangeFolder(ctx.destinationFolder)) {
        ShowBox(LookupString(kStrErrorChangingFolder), MB_OK);
        return;
    }
    if (ctx.afterUnzipCommand[0] != '\0')
        LaunchProgram(ctx.afterUnzipCommand, ctx.afterUnzipArguments);
    EndDialog(dialog, 1);
}

static void ReportSuccess(HWND dialog) {
    char text[kFormatBufferSize];
    wsprintfA(text, LookupString(kStrFilesUnzipped), ctx.filesExtracted);
    SetStatusText(dialog, text);
    if (!ctx.autoMode)
        ShowBox(text, MB_OK);
    if (IsChecked(dialog, kIdAfterUnzipCheck))
        OpenAfterUnzipCommand(dialog);
    if (ctx.autoMode)
        PostMessageA(dialog, WM_COMMAND, kIdClose, 0);
}

// Answers TRUE only when the password dialog was cancelled.
static INT_PTR RunUnzipCommand(HWND dialog) {
    HWND unzipButton = GetDlgItem(dialog, kIdUnzip);
    MakeCloseTheDefault(dialog);
    EnableWindow(unzipButton, FALSE);
    ctx.overwriteWithoutPrompting = IsChecked(dialog, kIdOverwrite);
    GetDlgItemTextW(dialog, kIdFolder, ctx.destinationFolder, kPathBufferSize);
    if (AcceptFolder()) {
        SetStatusText(dialog, "");
        if (!AskPassword(dialog)) {
            EnableWindow(unzipButton, TRUE);
            return TRUE;
        }
        StartMeter(dialog);
        ctx.bytesWritten = 0;
        ctx.lastMeterMark = 0;
        ctx.filesExtracted = 0;
        int code = ExtractionPass();
        StopMeter(dialog);
        if (code == kGuardDone) {
            ReportSuccess(dialog);
        } else {
            SetStatusText(dialog, LookupString(kStrUnzipAborted));
            EndDialog(dialog, 1);
        }
    }
    EnableWindow(unzipButton, TRUE);
    return FALSE;
}

// A command posted to the dialog reaches it while the command runs: through
// the pump during the pass, and through the message loops of the password
// dialog and of the boxes before and after it. A second Unzip there would
// share the first one's buffers and state, so it is refused.
static INT_PTR OnUnzip(HWND dialog) {
    if (ctx.unzipRunning)
        return FALSE;
    ctx.unzipRunning = 1;
    INT_PTR result = RunUnzipCommand(dialog);
    ctx.unzipRunning = 0;
    // Under -silent nobody could go on with the dialog: one Unzip ends it,
    // whatever its outcome.
    if (ctx.silent)
        EndDialog(dialog, 1);
    return result;
}

// --- the other commands ---

static INT_PTR OnHelp() {
    FormatWide(ctx.messageText, LookupString(kStrHelp), FileNamePart(ctx.imagePath));
    ShowWideBox(ctx.messageText, MB_OK);
    return FALSE;
}

static INT_PTR OnAbout() {
    char text[kFormatBufferSize];
    wsprintfA(text, LookupString(kStrAboutShort));
    ShowBox(text, MB_OK);
    return FALSE;
}

static INT_PTR OnRunArchiver(HWND dialog) {
    if (RunArchiver())
        EndDialog(dialog, 1);
    return FALSE;
}

// Only notification code 0 (a click, Enter or Escape) is a command: the
// whole wParam is matched.
static INT_PTR OnCommand(HWND dialog, WPARAM command) {
    switch (command) {
    case kIdUnzip:
        return OnUnzip(dialog);
    case kIdClose:
        EndDialog(dialog, 1);
        return TRUE;
    case kIdHelp:
        return OnHelp();
    case kIdAbout:
        return OnAbout();
    case kIdRunArchiver:
        return OnRunArchiver(dialog);
    case kIdBrowse:
        BrowseForDestination(dialog);
        return FALSE;
    default:
        return FALSE;
    }
}

// --- timer and font ---

// The meter's late start. It waits while a message box or the password
// dialog is open (the timer keeps ticking), so the meter never appears under
// a prompt; once handled it acts once. A pass a third done, or over, keeps
// the status line; a TotalSize of 0 therefore never shows the meter here.
static INT_PTR OnTimer(HWND dialog, WPARAM timer) {
    if (timer != kMeterTimerId || GetLastActivePopup(dialog) != dialog)
        return FALSE;
    if (ctx.meterTimer)
        KillTimer(dialog, kMeterTimerId);
    ctx.meterTimer = 0;
    HWND meter = GetDlgItem(dialog, kIdMeter);
    if (meter && ctx.extractionRunning && ctx.bytesWritten < configRecord.TotalSize / 3)
        ShowMeter(dialog, meter);
    return FALSE;
}

// The code-page font goes to the two texts that may hold double-byte names.
static const int kCodePageFontControls[] = {kIdIntroduction, kIdStatus};

static INT_PTR OnSetFont(HWND dialog) {
    if (!ctx.codePageFont)
        return FALSE;
    for (int id : kCodePageFontControls)
        GiveCodePageFont(GetDlgItem(dialog, id));
    return FALSE;
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    case WM_TIMER:
        return OnTimer(dialog, wParam);
    case WM_SETFONT:
        return OnSetFont(dialog);
    default:
        return FALSE;
    }
}
