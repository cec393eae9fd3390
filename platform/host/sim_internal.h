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

}  // namespace hostsim
