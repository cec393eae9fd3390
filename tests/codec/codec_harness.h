// Drives the decoder the way its callers do, and builds inputs for it:
// zlib as the reference compressor and decompressor, a bit writer for
// hand-made streams, and the sample data kinds.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

namespace codectest {

// One decode and what could be seen of it.
struct Decoded {
    int result = -1;              // DecodeStream's answer (-1: it did not return)
    int guard = 0;                // the guarded call's code
    std::string output;           // everything handed on, in order
    unsigned flushes = 0;         // FlushOutput writes (file mode)
    long archiveOffset = -1;      // where the archive file stood afterwards (file mode)
    uint32_t memberBytesLeft = 0;
};

// File mode on the current machine: `stream` followed by `trailing` is the
// archive file; memberBytesLeft is the stream's size plus `counted` of the
// trailing bytes. The output is the written file plus the pending piece.
// abortAtPump > 0 ends the pass at that write.
Decoded DecodeFile(const std::string &stream, const std::string &trailing = "", size_t counted = 0,
                   unsigned abortAtPump = 0);

// File mode from the archive file already open and positioned, with
// memberBytesLeft as set.
Decoded DecodeOpenArchive(unsigned abortAtPump = 0);

// Memory mode into a destination of `capacity` bytes followed by guard
// bytes; *overran is set when anything beyond the capacity changed.
Decoded DecodeMemory(const std::string &stream, size_t capacity, bool *overran = nullptr);

// zlib, raw streams (no header).
std::string ZlibCompress(const std::string &data, int level, int strategy);
// Whether zlib decodes `stream` as one complete raw stream, and its output.
bool ZlibInflate(const std::string &stream, std::string *output);

// The sample inputs, by name.
std::string SampleData(const std::string &kind);
std::vector<std::string> SampleKinds();

// Bits least significant first, as Deflate packs them.
class BitWriter {
public:
    void Put(uint32_t value, unsigned bits);
    // A Huffman code of `length` bits, sent most significant bit first.
    void PutCode(uint32_t code, unsigned length);
    void AlignToByte();
    void PutBytes(const std::string &bytes);
    std::string Bytes() const;
    size_t BitCount() const { return bytes_.size() * 8 + count_; }

private:
    std::string bytes_;
    uint32_t pending_ = 0;
    unsigned count_ = 0;
};

// Canonical codes for a list of lengths (RFC 1951 3.2.2).
std::vector<uint32_t> CanonicalCodes(const std::vector<int> &lengths);

std::string HostTemp(const std::string &name);

}  // namespace codectest
