// The host's own file calls behind the simulated layer, with every path as
// UTF-8 text: POSIX on Linux; on Windows (mksfx.exe runs the logic on this
// layer too) the C library's wide-character calls, files in binary mode.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

namespace hostsim {

// Whether `path` exists; its kind and size when it does.
bool HostStat(const std::string &path, bool *folder, uint64_t *size);
int HostOpenForReading(const std::string &path);    // a descriptor, or -1
int HostCreateFile(const std::string &path);        // read and write, truncated; -1 on failure
bool HostMakeFolder(const std::string &path);
// The names in a folder (without "." and "..").
std::vector<std::string> HostFolderNames(const std::string &path);
// The path of an open file (empty where the host cannot tell: only the
// tests that look at the times given to files need it).
std::string HostPathOfFile(int fd);
// Sets the access and modification times (seconds and nanoseconds since
// 1970; null leaves one as it is).
bool HostSetTimes(int fd, const int64_t *accessed, const int64_t *modified);

}  // namespace hostsim
