#include "base/error_exit.h"

#include <stdarg.h>

#include "base/exit_codes.h"
#include "base/run_log.h"
#include "context/extraction_context.h"

const char kCaption[] = "Tarvex Self-Extractor";
const char kHeaderCorruptText[] =
    "Tarvex Self-Extractor header corrupt.  Possible cause:  bad disk or file transfer error";

static_assert(sizeof(kCaption) == 22, "the caption is 21 characters");

#ifdef TARVEX_REAL_WIN32
#define GUARD_SET(record) __builtin_setjmp((record).point)
#define GUARD_JUMP(record) __builtin_longjmp((record).point, 1)
#else
#define GUARD_SET(record) setjmp((record).point)
#define GUARD_JUMP(record) longjmp((record).point, 1)
#endif

[[noreturn]] static void ReturnToGuard(int code) {
    ctx.exitCode = code;
    if (!ctx.guard.armed) {
        // No guard can only mean a fault in the program itself; end it the way
        // the start-up guard would.
        ExitProcess(ctx.exitStatus);
    }
    GUARD_JUMP(ctx.guard);
#ifndef TARVEX_REAL_WIN32
    __builtin_unreachable();
#endif
}


// What -silent answers for a box it does not show: No to the overwrite
// question (the file is kept) and to the abort question, OK to a message.
// A disk prompt (OK/Cancel, Abort/Retry/Ignore) has no answer that lets the
// pass go on: the run ends.
static int SilentAnswer(UINT style) {
    UINT buttons = style & MB_TYPEMASK;
    static_assert(MB_OKCANCEL == 1 && MB_ABORTRETRYIGNORE == 2, "the disk prompts' buttons are 1 and 2");
    if (buttons - 1 < 2) {
        ctx.exitStatus = kExitNeedsAnswer;
        ReturnToGuard(kGuardFailed);
    }
    return buttons == MB_OK ? IDOK : IDNO;
}

int ShowTitledBox(const WCHAR *text, const WCHAR *title, UINT style) {
    ShowStatusNow();
    LogWide(kLogMessage, text);
    if (ctx.silent)
        return SilentAnswer(style);
    // The caption is ASCII: widened a byte at a time, it needs no copy of
    // its own.
    WCHAR caption[sizeof kCaption];
    for (unsigned i = 0; i < sizeof kCaption; i++)
        caption[i] = (uint8_t)kCaption[i];
    return MessageBoxW(ctx.mainDialog, text, title && title[0] ? title : caption, style);
}

int ShowWideBox(const WCHAR *text, UINT style) {
    return ShowTitledBox(text, 0, style);
}

// Not inlined: one call of the conversion serves every caller.
__attribute__((noinline)) void WidenText(const char *text, WCHAR *wide) {
    if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, kMessageBufferSize))
        wide[kMessageBufferSize - 1] = 0;
}

int ShowBox(const char *text, UINT style) {
    WidenText(text, ctx.messageText);
    return ShowWideBox(ctx.messageText, style);
}

static void FormatWideList(WCHAR *text, const char *format, va_list arguments) {
    WCHAR wideFormat[kMessageBufferSize];
    WidenText(format, wideFormat);
    wvsprintfW(text, wideFormat, arguments);
}

void FormatWide(WCHAR *text, const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    FormatWideList(text, format, arguments);
    va_end(arguments);
}

// After an error's box: the exit code it gives, then back to the guard.
[[noreturn]] static void EndWithError() {
    // Outside a pass an error can only be start-up's (or a dialog's) own.
    ctx.exitStatus = ctx.extractionRunning ? kExitFailed : kExitRefused;
    ReturnToGuard(kGuardFailed);
}

void ShowError(const char *text) {
    ShowBox(text, MB_ICONERROR);
    EndWithError();
}

void ShowErrorAbout(const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    FormatWideList(ctx.messageText, format, arguments);
    va_end(arguments);
    ShowWideBox(ctx.messageText, MB_ICONERROR);
    EndWithError();
}

void HeaderCorrupt() {
    ShowError(kHeaderCorruptText);
}

void AbortSilently() {
    ctx.exitStatus = kExitCancelled;
    ReturnToGuard(kGuardFailed);
}

void CancelPass() {
    ctx.exitStatus = kExitCancelled;
    ReturnToGuard(kGuardCancelled);
}

int AskOkCancel(const char *text, int warning) {
    UINT style = warning ? (MB_OKCANCEL | MB_ICONEXCLAMATION) : MB_OKCANCEL;
    return ShowBox(text, style) == IDOK;
}

// The guard record is copied in and out whole: a nested guard (a pass inside
// the start-up guard) puts back the outer one when it returns.
static int RunGuarded(void (*work)()) {
    if (GUARD_SET(ctx.guard) != 0)
        return ctx.exitCode;
    work();
    return kGuardDone;
}

int GuardedCall(void (*work)()) {
    GuardRecord outer = ctx.guard;
    ctx.guard.armed = 1;
    int code = RunGuarded(work);
    ctx.guard = outer;
    return code;
}

int GuardedDialogCall(HWND dialog, void (*work)()) {
    int code = GuardedCall(work);
    if (code != kGuardDone) {
        ctx.keptExitCode = code;
        EndDialog(dialog, 0);
    }
    return code;
}
