// The main dialog's status line while a pass writes members.
#pragma once
// ShowStatusNow names the member on the status line now if it is behind
// (before a box and at the end of a pass). Every box calls it, so it is
// declared with them.
#include "base/error_exit.h"
#include "platform/win32.h"

// The status line's "Unzipping <file>" for the member about to be written.
// Each change of the line is a round trip to the window system and a
// repaint, dearer under Wine than a small member's whole file, so the line
// changes at most once a pump interval: the member is named at its first
// write when that much time has passed since the line last changed, else at
// the first write that is due, before any box, or at the end of the pass,
// whichever comes first. A member with data always writes, so the line
// never names a member that has not started, nor stays behind for long.
void ShowUnzipping();
// Names the member on the status line if it is behind and a pump interval
// has passed since the line last changed.
void CatchUpStatus();
// string 34 with the file name part of messagePath, into buffer
// (kMessageBufferSize characters).
void FormatUnzipping(WCHAR *buffer);
