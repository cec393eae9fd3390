// The destination folder, the folder browser and the launching of programs.
#pragma once
#include "platform/win32.h"

// Fills folder (261 characters) with the default destination; answers
// non-zero when a candidate qualified, and leaves folder untouched otherwise.
int DefaultDestinationFolder(WCHAR *folder);
// Runs the folder browser; a chosen folder goes into destinationFolder and
// the folder edit control of owner.
void BrowseForDestination(HWND owner);
// Starts command with arguments through the program associated with the
// command; answers the shell's result when above 32, else 0, after a
// message box.
int LaunchProgram(const WCHAR *command, const WCHAR *arguments);
// Runs the archiver on this self-extractor; answers non-zero when it was
// started (a box tells the user when it was not).
int RunArchiver();

// The candidates DefaultDestinationFolder tries in turn.
// Non-zero when the environment variable name holds a non-empty value that
// fits buffer (261 characters); the disk is not consulted.
int TryEnvironmentFolder(const WCHAR *name, WCHAR *buffer);
// Non-zero when <Windows folder>\TEMP exists as a folder or could be made;
// the path is left in buffer (264 characters).
int WindowsTempFolder(WCHAR *buffer);
