// The robustness sweeps' fixture: a simulated machine with the destination
// C:\OUT and a canary tree beside it, one bounded pass per case, and the
// tally of outcomes that each sweep prints.
#pragma once
#include <gtest/gtest.h>
#include <stdint.h>

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "tests/archive/archive_fixture.h"
#include "tests/robustness/oracle.h"

namespace robust {

// What one pass ended with.
struct Outcome {
    int code = -1;
    std::string kind;   // "success", or MessageKind of the last box
    std::string box;    // the last box's text
};

// Counts outcomes by kind and remembers the slowest case.
struct Tally {
    std::map<std::string, unsigned> kinds;
    unsigned cases = 0;
    double slowestSeconds = 0;
    std::string slowestLabel;

    void Add(const Outcome &outcome, double seconds, const std::string &label);
    // "N cases: kind count, ...; slowest case ... s (label)"
    std::string Summary() const;
};

// Members of the three small images the truncation and fault sweeps run
// over, and the password of the encrypted one.
extern const char kPassword[];
std::vector<archivetest::ZipMember> StoredImageMembers();
std::vector<archivetest::ZipMember> DeflatedImageMembers();
std::vector<archivetest::ZipMember> EncryptedImageMembers();
// An encrypted member: data deflated (method 8) or stored, enciphered with
// kPassword; its check byte is the CRC's high byte, or the time's with a
// data descriptor.
archivetest::ZipMember EncryptedMember(const std::string &name, const std::string &data, uint16_t method,
                                       bool descriptor, uint32_t seed);
// Text-like data with little repetition (it deflates to about half).
std::string Words(size_t n, uint32_t seed);

class RobustTest : public archivetest::ExtractionTest {
protected:
    void SetUp() override;

    // Runs one pass over image (the archive starts at archiveOffset) into a
    // fresh, empty C:\OUT, under a time bound that ends the process naming
    // label. Leaves the output tree for inspection.
    // With peakGrowthKiB the pass runs in a child process, which measures
    // how far the pass raised its peak resident memory.
    Outcome RunCase(const std::string &image, uint32_t archiveOffset, const std::string &label,
                    long *peakGrowthKiB = nullptr);
    // Like RunCase, and checks what every case must hold: a message the
    // program may end with; nothing changed outside the destination; no
    // device or outside path tried; the output file closed; and for a pass
    // that reports success, exactly the files the archive describes, each
    // with its header's CRC-32 and the time the oracle expects.
    Outcome RunChecked(const std::string &image, uint32_t archiveOffset, const std::string &label,
                       long *peakGrowthKiB = nullptr);
    // Sets passwordText as the password dialog would.
    void UsePassword(const char *password);

    // Moves the destination to windowsPath, whose host folder is
    // hostRelative below the machine root, and takes a new snapshot of
    // everything outside it.
    void UseDestination(const std::string &windowsPath, const std::string &hostRelative);
    // Differences outside the destination (and the image) since the snapshot.
    std::string OutsideChanges() const;
    std::string Destination() const { return root_ + "/" + destinationHost_; }

    Tally tally_;

private:
    // The outcome of the pass that just ended with code.
    static Outcome Classify(int code);
    static Outcome PassInChild(const std::string &label, long *peakGrowthKiB);

    std::string destinationHost_ = "C/OUT";
    std::map<std::string, std::string> outside_;
};

// Ends the process with a message naming the case unless it is cancelled
// within the bound: a pass that does not end is a failure of its own.
class Deadline {
public:
    Deadline(const std::string &label, unsigned seconds);
    ~Deadline();
};

}  // namespace robust
