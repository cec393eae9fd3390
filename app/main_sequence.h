// The program's life from the entry to its exit: platform set-up, the image
// initialisation and tests under the start-up guard, the start-up questions,
// the main dialog and the release at the end.
#pragma once
#include "platform/win32.h"

// Runs the whole program for instance with the argument text (which the
// command-line scan may change in place). Always answers 0, the exit code.
int MainSequence(HINSTANCE instance, WCHAR *arguments);

// Frees the extraction buffers and closes the image and output files.
void ReleaseExtraction();
