// The destination folder, the folder browser and the launching of programs.
#pragma once
#include "platform/win32.h"

// Non-zero when a folder name holds a double-byte character whose lead or
// trail byte is a path separator.
int IsUnsupportedFolderName(const char *folder);
// Fills folder (261 bytes) with the default destination; answers non-zero
// when a candidate qualified, and leaves folder untouched otherwise.
int DefaultDestinationFolder(char *folder);
// Runs the folder browser; a chosen folder goes into destinationFolder and
// the folder edit control of owner.
void BrowseForDestination(HWND owner);
// Starts command with arguments: with shellMode clear through WinExec
// (answers its result), with shellMode set through the program associated
// with the command (answers the shell's result when above 32, else 0, after
// a message box).
int LaunchProgram(const char *command, const char *arguments, int shellMode);
// Runs the archiver on this self-extractor; answers non-zero when it was
// started (a box tells the user when it was not).
int RunArchiver();

// The candidates DefaultDestinationFolder tries in turn.
// Non-zero when the environment variable name holds a non-empty value that
// fits buffer (261 bytes) and is a supported folder name; the disk is not
// consulted.
int TryEnvironmentFolder(const char *name, char *buffer);
// Non-zero when <Windows folder>\TEMP exists as a folder or could be made;
// the path is left in buffer (264 bytes).
int WindowsTempFolder(char *buffer);

// LaunchProgram's shellMode values.
enum LaunchMode {
    kLaunchWinExec = 0,
    kLaunchShell = 1,
};
