#include "builder/member_span.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "base/crc32.h"
#include "builder/system.h"

uint64_t DataSize(const ZipMember &member) {
    return member.span.file.empty() ? member.data.size() : member.span.length;
}

// Reads `length` bytes from `offset`, or with `toEnd` whatever there is.
static bool ReadPieces(const std::string &path, uint64_t offset, uint64_t length, bool toEnd, const ByteSink &sink,
                       std::string &why) {
    why.clear();
    if (length == 0 && !toEnd)
        return true;
    FILE *file = OpenFile(path, "rb");
    if (!file) {
        why = strerror(errno);
        return false;
    }
    std::vector<uint8_t> piece((size_t)std::min<uint64_t>(length, kDataPiece));
    bool ok = SeekFile(file, offset);
    if (!ok)
        why = strerror(errno);
    while (ok && length > 0) {
        size_t want = (size_t)(length < piece.size() ? length : piece.size());
        size_t got = fread(piece.data(), 1, want, file);
        if (got < want && ferror(file)) {
            why = strerror(errno);
            ok = false;
        } else if (got < want && !toEnd) {
            why = "ended early (it was changed while mksfx read it)";
            ok = false;
        } else {
            ok = sink(piece.data(), got);
            length -= got;
            if (got < want)
                break;
        }
    }
    fclose(file);
    return ok;
}

bool ReadFileRange(const std::string &path, uint64_t offset, uint64_t length, const ByteSink &sink, std::string &why) {
    return ReadPieces(path, offset, length, false, sink, why);
}

bool ReadFileToEnd(const std::string &path, const ByteSink &sink, std::string &why) {
    return ReadPieces(path, 0, UINT64_MAX, true, sink, why);
}

bool ReadMemberData(const ZipMember &member, const ByteSink &sink, std::string &why) {
    why.clear();
    const DataSpan &span = member.span;
    if (span.file.empty())
        return member.data.empty() || sink(member.data.data(), member.data.size());
    uint32_t crc = 0;
    bool read = ReadFileRange(span.file, span.offset, span.length,
                              [&](const uint8_t *bytes, size_t n) {
                                  if (span.recheckCrc)
                                      crc = Crc32Of(bytes, n, crc);
                                  return sink(bytes, n);
                              },
                              why);
    if (read && span.recheckCrc && crc != member.crc)
        why = "was changed while mksfx read it";
    if (!why.empty())
        why = span.file + ": " + why;
    return read && why.empty();
}
