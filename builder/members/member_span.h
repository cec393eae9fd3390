// Reading a member's data back in pieces, wherever it lies (ZipMember::data
// or a DataSpan), so that no step of a build holds a whole member.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <string>

#include "builder/common/failure.h"
#include "builder/members/zip_members.h"

// Takes the next piece of a stream of bytes; false stops the stream (the
// taker then says why).
using ByteSink = std::function<bool(const uint8_t *bytes, size_t n)>;

enum : size_t { kDataPiece = 1u << 20 };   // bytes read at a time: small against any bound, large against call costs

// The member's compressed size.
uint64_t DataSize(const ZipMember &member);

// Feeds the member's data to `sink` in order, in pieces of at most
// kDataPiece bytes. Fails with the reason when its file cannot be read or
// ends early, when `sink` answers false (the cause is then left empty), and, for
// a span with recheckCrc, when the bytes no longer have the member's CRC;
// the reason then starts with the file's name.
bool ReadMemberData(const ZipMember &member, const ByteSink &sink, Failure &failure);

// Feeds `length` bytes of `path` from `offset` to `sink` in pieces of at
// most kDataPiece bytes; fails as ReadMemberData does, the reason without
// the file's name.
bool ReadFileRange(const std::string &path, uint64_t offset, uint64_t length, const ByteSink &sink, Failure &failure);

// Feeds the whole file to `sink` in pieces, to whatever end it has by then.
bool ReadFileToEnd(const std::string &path, const ByteSink &sink, Failure &failure);
