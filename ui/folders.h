// The destination folder, the folder browser and the launching of programs:
// what stands behind the main dialog's folder field and its Browse and
// Run Tarvex buttons.
#pragma once
#include "platform/win32.h"

// LaunchProgram's modes.
enum LaunchMode {
    kLaunchWinExec = 0,   // WinExec on the command line; its result, no message
    kLaunchShell = 1,     // through the program the shell associates with the command
};

// True when a double-byte character of text (null allowed) has '/' or '\' as
// its lead or trail byte. Single-byte characters are never rejected.
int IsUnsupportedFolderName(const char *text);

// Fills destination (261 bytes) with the first usable temporary folder: TMP,
// TEMP, then the TEMP folder under the Windows folder (made when missing),
// without a final backslash unless it is a root. False, destination
// untouched, when none qualifies.
int DefaultDestinationFolder(char *destination);

// True when the environment variable name holds a non-empty value that fits
// buffer (261 bytes) and is a supported folder name; the disk is not consulted.
int TryEnvironmentFolder(const char *name, char *buffer);

// True when <Windows folder>\TEMP exists as a folder or could be made; the
// path is left in buffer (264 bytes).
int WindowsTempFolder(char *buffer);

// The shell's folder browser with owner as parent; a chosen folder goes into
// destinationFolder and edit 106. Only called when the three shell folder
// functions were found at start-up.
void BrowseForDestination(HWND owner);

// Starts command with arguments (may be empty). kLaunchWinExec answers the
// WinExec result; kLaunchShell answers ShellExecuteA's result when it
// succeeded, else 0 after a message box.
int LaunchProgram(const char *command, const char *arguments, int shellMode);

// Starts the registered archiver on this self-extractor's own file. True
// when it was started; otherwise a message was shown.
int RunArchiver();
