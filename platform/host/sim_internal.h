// Shared among the files of the simulated layer.
#pragma once
#include <string>

#include "platform/host/host_control.h"

namespace hostsim {

// "C:\a\b" or "\\srv\share\a" for any path the logic hands over ("" when it
// cannot be one). "." and ".." are resolved as Windows resolves them.
std::string AbsoluteWindowsPath(const std::string &path);
std::string DriveFolder(char letter);
// Counts a call of op and answers whether this one is to fail.
bool Fails(FaultOp op);
// Windows' convention for "copy into a buffer of size": the length copied,
// or the size needed (with the NUL) when it does not fit.
size_t CopyOut(const std::string &value, char *buffer, size_t size);
// CopyOut for the wide calls: value (UTF-8) as UTF-16.
size_t CopyOutWide(const std::string &value, char16_t *buffer, size_t size);

// Conversions (code_pages.cpp). Windows paths are UTF-8 inside the layer.
std::string AnsiToUtf8(const std::string &ansi);            // through Sim().codePage
std::string Utf8ToAnsi(const std::string &text);            // '?' for what the code page lacks
std::string Utf16ToUtf8(const char16_t *text, size_t length);
std::u16string Utf8ToUtf16(const std::string &text);        // U+FFFD for bytes that are not UTF-8
size_t Utf16Length(const std::string &utf8);                // the length Windows counts

}  // namespace hostsim
