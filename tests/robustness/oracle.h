// Judges of a pass over damaged or hostile input, shared by the robustness
// tests and the whole-pass fuzz target (plain C++, no test framework):
//
// - a reference walk of the archive, written apart from the product, that
//   lists the members a strictly sequential walk meets;
// - what a successful pass must have left in the destination;
// - which of the program's messages a box shows;
// - snapshots of a host tree, to prove nothing changed outside the destination;
// - the traditional ZIP encryption, to build encrypted members.
#pragma once
#include <stdint.h>

#include <map>
#include <string>
#include <vector>

namespace robust {

// One member as a sequential walk meets it.
struct WalkedMember {
    std::string name;      // as stored, cut at its first NUL
    bool folder = false;   // the stored name's last byte is a separator
    uint32_t crc = 0;
    std::string extra;     // the local extra field
    uint16_t date = 0;     // MS-DOS date and time of the local header
    uint16_t time = 0;
};

struct ReferenceWalk {
    std::vector<WalkedMember> members;
    bool reachedEnd = false;   // the walk arrived at the end record
};

// Walks archive (its bytes from the first record on) record by record:
// local headers with their names, extra fields, data and descriptors;
// central records; the end record. Stops at the first record it cannot
// take whole or does not know.
ReferenceWalk WalkArchiveBytes(const std::string &archive);

// The path below the destination that a member name gives: leading
// separators dropped, '\' as '/', runs of separators as one, no trailing
// separator.
std::string OutputName(const std::string &name);

// The FILETIME (UTC) a member's file must receive when local time is UTC
// plus biasSeconds: the modification time of an NTFS field's times
// attribute, else of an extended timestamp, found among the fields that lie
// wholly inside the first 1024 bytes of the extra field; else the MS-DOS
// date and time brought into a valid date.
uint64_t ExpectedFileTime(const WalkedMember &member, long biasSeconds);

// Every difference between the destination tree (host folder) and what a
// successful pass over walk must leave there: exactly the walk's files and
// folders (and the folders above them), each file with the CRC-32 of the
// last member of its name, and stamped (created, accessed and written, as
// the host layer recorded them) with that member's ExpectedFileTime. Empty
// when they agree.
std::string SuccessDifferences(const ReferenceWalk &walk, const std::string &destination);

// Every entry below root as relative path -> content (folders end in '/' and
// have no content), leaving out the entries below or equal to each of skip.
std::map<std::string, std::string> SnapshotTree(const std::string &root, const std::vector<std::string> &skip);
// The entries that differ between two snapshots, listed; empty when equal.
std::string SnapshotDifferences(const std::map<std::string, std::string> &before,
                                const std::map<std::string, std::string> &after);

// Which message a box text is, by the StringTable format it matches
// ("string 30", "read error 9", "unsafe name"...); "unknown: <text>" when
// it is none of the messages a pass may end with. Needs the expanded
// StringTable.
std::string MessageKind(const std::string &text);
// True when text is format with each %s, %d and %08lx filled in.
bool MatchesFormat(const char *format, const char *text);

uint32_t Crc32(const std::string &data);

// The payload of an encrypted member: the 12-byte header (11 bytes from
// seed, then check) followed by data, enciphered with password.
std::string EncryptPayload(const std::string &password, const std::string &data, uint8_t check, uint32_t seed);

}  // namespace robust
