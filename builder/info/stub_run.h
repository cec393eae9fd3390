// `mksfx info`'s walk: the stub's own start-up and extraction pass, from the
// logic library the stub is built from, run over an image on the simulated
// Win32 layer (platform/host). The image is the running program; the
// members are made in a scratch folder, empty (their bytes are checked as
// they decode and then dropped), which is removed afterwards;
// every message box is recorded instead of shown. A spanned set's disks are
// fed in at the stub's prompts from the diskN/ folders beside the image.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "builder/common/failure.h"

enum WalkOutcome {
    kWalkIntact,        // a file decoded with its size and CRC, or a folder made
    kWalkSkipped,       // encrypted, no password given: stepped over as after a "No"
    kWalkStopped,       // the pass ended at this member (see StubRun::passStop)
};

struct WalkedMember {
    std::string name;                  // as stored
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t date = 0;                 // MS-DOS local date and time of the local header
    uint16_t time = 0;
    std::vector<uint8_t> extra;        // the local extra field as the stub kept it
    unsigned disk = 1;
    WalkOutcome outcome = kWalkStopped;
};

struct StubRun {
    bool started = false;              // start-up reached the main dialog
    std::string startupStop;           // the box that ended start-up, when it did
    std::vector<WalkedMember> members; // in the order the walk met them
    bool reachedEnd = false;           // the pass ran to the end of the archive
    std::string passStop;              // the box that ended the pass, when it did
};

// Runs the stub over the image at `imagePath` (the ConfigRecord is taken
// from the first marker at `recordOffset`). A non-empty `password` is used
// for encrypted members as if the user had typed it. Fails with the reason
// only when the run cannot be set up (no scratch folder).
bool RunStub(const std::string &imagePath, const std::vector<uint8_t> &image, size_t recordOffset,
             const std::string &password, StubRun &run, Failure &failure);
