// The main dialog's decisions that rest on the context and the
// ConfigRecord alone, apart from the window calls that act on them.
#pragma once
#include "platform/win32.h"

// True when the meter replaces the status line as soon as a pass starts:
// the end record lies 512 KiB or more into the image (EndRecordOffset read
// as a signed number, so that offsets from 2 GiB on count as small), or the
// archive is spanned. Otherwise the meter waits for the timer.
int MeterShowsAtOnce();

// True when Browse can work: the shell's three folder functions were found
// and the system is Windows 4 or later. Otherwise the button is destroyed.
int BrowseCanWork();

// The message that refuses folder as the destination (empty), or null when
// it will do. The folder is wide from the edit box to the file calls, so no
// character of it is ever split into bytes that a call could misread.
const char *FolderProblem(const WCHAR *folder);
