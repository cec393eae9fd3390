// The command line, wide, as the system holds it (a folder or log name keeps
// every character): the program name split off, "-info", the switches -y,
// -silent and -log, and the AUTO and NOAUTO options.
#pragma once
#include "platform/win32.h"

// The argument text behind the program name: a name starting with a double
// quote ends at the next one, any other at the first blank; one delimiter is
// stepped over. A quoted name without its closing quote leaves "".
WCHAR *ArgumentText(WCHAR *commandLine);

// True when "-info" (lower case) stands in arguments as a word of its own:
// at the start, behind a blank, a tab or a quote, and followed by a blank, a
// tab, a quote, a colon or the end. A path that merely contains it
// (C:\my-information) is no option.
int HasInfoOption(const WCHAR *arguments);

// The switches in front of the AUTO/NOAUTO option, in any order and number,
// each introduced by "-" or "/", in any case, and ended by a blank, a tab or
// the end: -y (answerYes), -silent (silent) and -log FILE (the run log,
// opened here; FILE may be quoted, and its end is overwritten with a NUL).
// Answers the text behind the last one, which "-info" and ScanCommandLine
// then read.
WCHAR *ScanSwitches(WCHAR *arguments);

// Looks at the first option introduced by "-" or "/": NOAUTO clears
// autoMode; AUTO sets it and takes the rest of the text (up to a closing
// quote when the folder starts with one) as destinationFolder. The option
// token is upper-cased in place by clearing bit 5 of each of its characters.
// A folder too long for destinationFolder is refused: a box says so, the
// folder stays as it was and autoMode is cleared so that the user chooses.
void ScanCommandLine(WCHAR *arguments);

// Creates (or empties) the run log (base/run_log.h) at path. A log that
// cannot be created is left out: the run itself goes on.
void OpenRunLog(const WCHAR *path);
