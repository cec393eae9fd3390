// Shared fixtures for host tests: a fresh simulated machine in a temporary
// folder, and a clean ExtractionContext with its buffers.
#pragma once
#include <string>

#include "context/extraction_context.h"
#include "platform/host/host_control.h"

namespace testsupport {

// A new empty temporary folder, removed again by RemoveTree.
std::string MakeTempFolder(const std::string &tag);
void RemoveTree(const std::string &path);

// Zeroes ctx, allocates the working buffers start-up would allocate, builds
// the CRC table, resets the simulated machine onto a fresh temporary root and
// expands the resource block. Returns the root.
std::string FreshMachine(const std::string &tag);
// destinationFolder from UTF-8 text ("" when it does not fit).
void SetDestination(const std::string &utf8);
// The image's path, on the simulated machine and in imagePath, as start-up
// finds it (UTF-8 text; "" in imagePath when it does not fit).
void SetImagePath(const std::string &utf8);
// UTF-8 text as the wide text the program's calls take.
std::u16string Wide(const std::string &utf8);
// Wide text (null counts as empty) as UTF-8, for comparing.
std::string Utf8(const WCHAR *text);
// Frees what FreshMachine allocated and removes the root.
void ReleaseMachine(const std::string &root);

// Runs a shell command and answers its exit status.
int Run(const std::string &command);
std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &bytes);

}  // namespace testsupport
