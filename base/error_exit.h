// Messages and the error exit. Every fatal condition ends the current
// operation the same way: an error box, then a non-local return to the
// innermost guarded call, which answers one of the guard codes.
//
// An exit abandons every frame between the raising point and the guard
// without running any of their code. Hence two rules for all code that an
// exit may cross:
//  - no object with a destructor lives on such a frame (its destructor would
//    never run), and no frame of the window system lies between the raising
//    point and the guard: the non-local return restores neither the system's
//    exception chain nor its state. Work that a dialog procedure runs
//    outside a pass therefore goes through GuardedDialogCall;
//  - everything allocated on the way is reachable from ctx until it is
//    released, so that whoever handles the exit (the pass's caller, or the
//    release at shutdown) can free it.
#pragma once
#include "platform/win32.h"

enum GuardCode {
    kGuardDone = 0,        // the guarded work ran to its end
    kGuardCancelled = 1,   // Cancel at an overwrite question
    kGuardFailed = 2,      // an error was reported, or the user aborted
};

// A pass's box comes with the dialog naming the member it is about: every
// box first brings the status line up to date. The status line lies above
// this layer (progress/status_line.cpp defines it), so it is declared here
// and bound when the program is linked.
void ShowStatusNow();

// Every box of the program carries this caption.
extern const char kCaption[];
// Needed before the StringTable exists, so held as plain text.
extern const char kHeaderCorruptText[];

// A message box with the program's caption, owned by mainDialog (no owner
// before the dialog exists); answers the button that ended it. Every box is
// a wide one, so that a member's name shows with all its characters, also
// those the ANSI code page lacks; text in the ANSI code page is converted.
int ShowBox(const char *text, UINT style);
// text (ANSI code page) into wide, which holds kMessageBufferSize
// characters; a longer text comes out cut.
void WidenText(const char *text, WCHAR *wide);
int ShowWideBox(const WCHAR *text, UINT style);
// ShowWideBox with title as the caption, the program's when title is null
// or empty.
int ShowTitledBox(const WCHAR *text, const WCHAR *title, UINT style);
// format (ANSI, from the StringTable) filled with its arguments into text
// (kMessageBufferSize characters) as wide text: each "%s" takes a wide string.
void FormatWide(WCHAR *text, const char *format, ...);
// Error box (owner mainDialog, error icon), then back to the guard with code 2.
[[noreturn]] void ShowError(const char *text);
// ShowError with format filled as FormatWide fills it (in messageText).
[[noreturn]] void ShowErrorAbout(const char *format, ...);
// ShowError with the header-corrupt text.
[[noreturn]] void HeaderCorrupt();
// Back to the guard with code 2, no box.
[[noreturn]] void AbortSilently();
// Back to the guard with code 1, no box.
[[noreturn]] void CancelPass();
// OK/Cancel box (with the exclamation icon when warning is set); true for OK.
int AskOkCancel(const char *text, int warning);

// Runs work under a fresh guard and answers its code. The previous guard is
// restored when the call returns, so an exit after a pass reaches the
// start-up guard again.
int GuardedCall(void (*work)());

// GuardedCall for work that a dialog procedure runs outside a pass (the
// expansion of the password template). An exit there would otherwise return
// to start-up's guard through the window system's frames of the modal loop.
// Here it comes back to this call: the dialog is ended and the exit kept in
// ctx.keptExitCode, and start-up ends the program (without the shutdown)
// once the dialog's modal call has returned. Answers the guard code.
int GuardedDialogCall(HWND dialog, void (*work)());
