// Host-side set-up shared by the codec tests, the benchmark and the fuzz
// target (no test framework here).
#pragma once
#include <string>

namespace codechost {

// A fresh simulated machine below a new folder under /tmp (answered), and a
// zeroed context with the working buffers start-up allocates and the CRC
// table.
std::string SetUpMachine(const std::string &tag);

// zlib's raw stream (no header) of data.
std::string RawDeflate(const std::string &data, int level, int strategy);

}  // namespace codechost
