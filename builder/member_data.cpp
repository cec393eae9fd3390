#include "builder/member_data.h"

#include <string.h>
#include <zlib.h>

#include "archive/crc32.h"
#include "archive/zip_format.h"

enum { kInflateChunk = 1 << 16 };

// Inflates raw Deflate data, feeding each piece of output to the CRC; the
// output may not exceed `limit` bytes.
static bool InflatedCrc(const std::vector<uint8_t> &data, uint64_t limit, uint32_t &crc, uint64_t &size) {
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    std::vector<uint8_t> out(kInflateChunk);
    stream.next_in = (Bytef *)data.data();
    stream.avail_in = (uInt)data.size();
    int result = Z_OK;
    crc = 0;
    size = 0;
    while (result == Z_OK) {
        stream.next_out = out.data();
        stream.avail_out = (uInt)out.size();
        result = inflate(&stream, Z_NO_FLUSH);
        size_t got = out.size() - stream.avail_out;
        crc = Crc32Of(out.data(), got, crc);
        size += got;
        if (size > limit || (result == Z_BUF_ERROR && got == 0))
            break;
        if (result == Z_BUF_ERROR)
            result = Z_OK;
    }
    inflateEnd(&stream);
    return result == Z_STREAM_END;
}

DataCheck CheckMemberData(const ZipMember &member) {
    if (IsFolderName(member.name))
        return kDataNone;
    if (member.flags & kFlagBitEncrypted)
        return kDataEncrypted;
    uint32_t crc = 0;
    uint64_t size = 0;
    if (member.method == kMethodStored) {
        crc = Crc32Of(member.data.data(), member.data.size());
        size = member.data.size();
    } else if (member.method != kMethodDeflated || !InflatedCrc(member.data, member.uncompressedSize, crc, size)) {
        return kDataDamaged;
    }
    return size == member.uncompressedSize && crc == member.crc ? kDataIntact : kDataDamaged;
}
