// The run log of -log FILE: one UTF-8 line per event, for whoever ran the
// image without watching it. Lines:
//   written: NAME      a member written to disk (its name as stored)
//   kept: NAME         an existing file kept instead of overwritten
//   message: TEXT      a message box's text, shown or (under -silent) not;
//                      its line breaks become blanks
//   exit: CODE         the process's exit code (base/exit_codes.h), last
// Every call does nothing while no log is open.
#pragma once
#include "platform/win32.h"

// The log is opened by the command line's -log (app/command_line.h).

// The labels, as offsets into one string (base/run_log.cpp).
enum LogLabel {
    kLogMessage = 0,    // "message: "
    kLogWritten = 10,   // "written: "
    kLogKept = 20,      // "kept: "
    kLogExit = 27,      // "exit: "
};

// One line: label, then text.
void LogWide(LogLabel label, const WCHAR *text);

// One line: label, then the current member's decoded name (memberName).
void LogMember(LogLabel label);

// The last line: "exit: " and ctx.exitStatus.
void LogExit();
