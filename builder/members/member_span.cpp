#include "builder/members/member_span.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "base/crc32.h"
#include "builder/common/system.h"

uint64_t DataSize(const ZipMember &member) {
    return member.span.file.empty() ? member.data.size() : member.span.length;
}

// Reads `length` bytes from `offset`, or with `toEnd` whatever there is.
static bool ReadPieces(const std::string &path, uint64_t offset, uint64_t length, bool toEnd, const ByteSink &sink,
                       Failure &failure) {
    failure = Failure();
    if (length == 0 && !toEnd)
        return true;
    FILE *file = OpenFile(path, "rb");
    if (!file) {
        return Fail(failure, "", strerror(errno));
    }
    std::vector<uint8_t> piece((size_t)std::min<uint64_t>(length, kDataPiece));
    bool ok = SeekFile(file, offset);
    if (!ok)
        failure.cause = strerror(errno);
    while (ok && length > 0) {
        size_t want = (size_t)(length < piece.size() ? length : piece.size());
        size_t got = fread(piece.data(), 1, want, file);
        if (got < want && ferror(file)) {
            failure.cause = strerror(errno);
            ok = false;
        } else if (got < want && !toEnd) {
            failure.cause = "ended early (it was changed while mksfx read it)";
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

bool ReadFileRange(const std::string &path, uint64_t offset, uint64_t length, const ByteSink &sink, Failure &failure) {
    return ReadPieces(path, offset, length, false, sink, failure);
}

bool ReadFileToEnd(const std::string &path, const ByteSink &sink, Failure &failure) {
    return ReadPieces(path, 0, UINT64_MAX, true, sink, failure);
}

bool ReadMemberData(const ZipMember &member, const ByteSink &sink, Failure &failure) {
    failure = Failure();
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
                              failure);
    if (read && span.recheckCrc && crc != member.crc)
        failure.cause = "was changed while mksfx read it";
    if (!failure.cause.empty())
        failure.cause = span.file + ": " + failure.cause;
    return read && failure.cause.empty();
}
