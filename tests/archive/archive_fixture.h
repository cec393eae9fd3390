// Shared fixtures for the extraction tests: hand-made ZIP archives with
// exact control over every field, images that carry them, a simulated
// machine with the destination C:\OUT, and tree comparison against unzip.
#pragma once
#include <gtest/gtest.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace archivetest {

// One member of a hand-made archive. Fields left at their defaults are
// derived: CRC and sizes from the data, method 0.
struct ZipMember {
    std::string name;
    std::string data;                  // uncompressed content
    uint16_t method = 0;               // 0 stored, 8 deflated (zlib), other: data stored as is
    uint16_t flags = 0;
    uint16_t time = 0x7D1C;            // 15:40:56
    uint16_t date = 0x5A4E;            // 2025-02-14
    std::string extra;
    int64_t crcOverride = -1;
    int64_t compressedOverride = -1;   // the size written into the headers
    int64_t uncompressedOverride = -1;
    std::string payloadOverride;       // the data bytes written, when not empty
    bool descriptor = false;           // write 16 descriptor bytes after the data
};

// A member with its name, content and method; the other fields at their defaults.
ZipMember Member(const std::string &name, const std::string &data = "", uint16_t method = 0);

// A built archive and where its records start.
struct ZipLayout {
    std::string bytes;
    std::vector<size_t> localStarts;   // each local signature
    std::vector<size_t> nameStarts;
    std::vector<size_t> dataStarts;
    std::vector<size_t> centralStarts;
    size_t endStart = 0;
};

ZipLayout BuildZip(const std::vector<ZipMember> &members, const std::string &endComment = "",
                   bool withCentral = true);
// value as `bytes` little-endian bytes.
std::string LittleEndian(uint64_t value, int bytes);
// An extra field: id, body size (the body's own unless declaredSize is
// given) and body.
std::string ExtraField(uint16_t id, const std::string &body, int declaredSize = -1);
// An NTFS field: reserved bytes, then tag 1 (size 24) with the modification
// FILETIME and, one and two ticks after it, the access and creation times.
std::string NtfsField(uint64_t modified);
// An extended-timestamp field: the flags byte and the 32-bit times after it.
std::string UnixField(uint8_t flags, const std::vector<int64_t> &times = {});
// Raw deflate of data (zlib, level 6).
std::string Deflate(const std::string &data);
uint32_t Crc(const std::string &data);

// The time of a DOS date and time word pair as seconds since 1970 (UTC).
int64_t DosToUnix(uint16_t date, uint16_t time);
bool Exists(const std::string &hostPath);
int64_t ModificationTime(const std::string &hostPath);
// Every file and folder below root, relative, with '/' separators.
std::vector<std::string> ListTree(const std::string &root);
// Describes every difference of content, type or file modification time
// between two trees; empty when they agree.
std::string TreeDifferences(const std::string &ours, const std::string &reference);

// A source tree for tool-made archives: nested folders, an empty file, a
// stored-size file of exactly 2048 bytes, compressible and random data, a
// 200-character name; every modification time on an even second.
void MakeSourceTree(const std::string &folder);

class ExtractionTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes prefix junk and the archive as C:\DL\TEST.EXE, points
    // ArchiveOffset at the archive and opens it as the archive file.
    void InstallImage(const std::string &archive, uint32_t prefix = 1024);
    int Pass();
    // The host path of a Windows path.
    std::string Host(const std::string &windowsPath) const;
    std::string LastBox() const;
    size_t BoxCount() const;

    std::string root_;
    std::string scratch_;   // a host folder beside the machine for tool runs
};

}  // namespace archivetest
