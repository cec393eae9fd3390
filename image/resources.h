// The ResourceBlock: the StringTable and the main dialog template, stored
// Deflate-compressed in the stub's data and expanded once at start-up; the
// password dialog template, expanded afresh each time it is shown.
#pragma once
#include <stdint.h>

#include "platform/win32.h"

// StringTable indices and control ids, named in image/resources/*.txt.
#include "image/resource_ids.h"

// Expands the ResourceBlock into its lasting block and converts the string
// area from the OEM to the ANSI code page. Ends through HeaderCorrupt when a
// buffer is missing or the expansion reached the sentinel.
void ExpandResourceBlock();

// ExpandResourceBlock over any raw Deflate stream of length bytes whose
// string area (the 52 NUL-terminated strings, the part converted from OEM)
// is stringAreaSize bytes long; a different string area is a corrupt header.
// stringAreaSize + 52 must lie inside the working buffer.
void ExpandResourceStream(const uint8_t *stream, uint32_t length, uint32_t stringAreaSize);

// The text of string index (0..52; 52 answers the main dialog template).
// Valid after ExpandResourceBlock.
const char *LookupString(int index);

// Expands the password dialog template and runs it modally with owner and
// dialogProc; answers the dialog's result, or 0 without a template block.
// Runs from the owner's dialog procedure: an exit while the template is
// expanded ends the owner and the program (GuardedDialogCall) and answers 0.
// dialogProc raises no exit.
INT_PTR RunPasswordTemplate(HWND owner, DLGPROC dialogProc);

// Runs a dialog modally from a copy of size bytes of dialogTemplate in a
// block of its own (a template must be DWORD-aligned), with owner and
// dialogProc; answers the dialog's result, or 0 without the block.
INT_PTR RunDialogFromCopy(const void *dialogTemplate, uint32_t size, HWND owner, DLGPROC dialogProc);
