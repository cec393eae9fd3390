#include "builder/members/member_data.h"

#include <string.h>
#include <zlib.h>

#include <vector>

#include "archive/zip_format.h"
#include "base/crc32.h"

bool PlainMemberData(const ZipMember &member, uint64_t limit, const ByteSink &sink, Failure &failure) {
    failure = Failure();
    if (member.method == kMethodStored)
        return DataSize(member) <= limit && ReadMemberData(member, sink, failure);
    if (member.method != kMethodDeflated)
        return false;
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    std::vector<uint8_t> out(kDataPiece);
    int result = Z_OK;
    uint64_t size = 0;
    bool stopped = false;
    bool read = ReadMemberData(member,
                               [&](const uint8_t *bytes, size_t n) {
                                   stream.next_in = (Bytef *)bytes;
                                   stream.avail_in = (uInt)n;
                                   // Until this piece is used up or the stream ends; bytes after
                                   // its end are not looked at.
                                   while (result == Z_OK && (stream.avail_in > 0 || stream.avail_out == 0)) {
                                       stream.next_out = out.data();
                                       stream.avail_out = (uInt)out.size();
                                       result = inflate(&stream, Z_NO_FLUSH);
                                       if (result == Z_BUF_ERROR)
                                           result = Z_OK;
                                       size_t got = out.size() - stream.avail_out;
                                       size += got;
                                       if (size > limit || (got > 0 && !sink(out.data(), got))) {
                                           stopped = true;
                                           return false;
                                       }
                                   }
                                   return result == Z_OK || result == Z_STREAM_END;
                               },
                               failure);
    inflateEnd(&stream);
    return read && !stopped && result == Z_STREAM_END;
}

DataCheck CheckMemberData(const ZipMember &member, Failure &failure) {
    failure = Failure();
    if (IsFolderName(member.name))
        return kDataNone;
    if (member.flags & kFlagBitEncrypted)
        return kDataEncrypted;
    uint32_t crc = 0;
    uint64_t size = 0;
    bool decoded = PlainMemberData(member, member.uncompressedSize,
                                   [&](const uint8_t *bytes, size_t n) {
                                       crc = Crc32Of(bytes, n, crc);
                                       size += n;
                                       return true;
                                   },
                                   failure);
    return decoded && size == member.uncompressedSize && crc == member.crc ? kDataIntact : kDataDamaged;
}
