#include "builder/recompress.h"

#include <string.h>
#include <zlib.h>

#include "archive/crc32.h"
#include "archive/zip_format.h"
#include "builder/member_deflate.h"

namespace {

enum : uint16_t {
    kVersionDeflated = 20,
    kFlagBitsDeflateOption = 6,     // bits 1-2: how hard the old deflater tried
};

// The member's uncompressed bytes, checked against its size and CRC.
bool PlainData(const ZipMember &member, std::vector<uint8_t> &plain) {
    if (member.method == kMethodStored) {
        plain = member.data;
    } else {
        z_stream stream;
        memset(&stream, 0, sizeof stream);
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return false;
        plain.resize(member.uncompressedSize);
        stream.next_in = (Bytef *)member.data.data();
        stream.avail_in = (uInt)member.data.size();
        stream.next_out = plain.data();
        stream.avail_out = (uInt)plain.size();
        int result = inflate(&stream, Z_FINISH);
        bool whole = result == Z_STREAM_END && stream.total_out == plain.size();
        inflateEnd(&stream);
        if (!whole)
            return false;
    }
    return plain.size() == member.uncompressedSize && Crc32Of(plain.data(), plain.size()) == member.crc;
}

}  // namespace

size_t RecompressMembers(ZipArchive &archive, int level) {
    size_t smaller = 0;
    for (ZipMember &member : archive.members) {
        if (IsFolderName(member.name) || (member.flags & kFlagBitEncrypted) ||
            (member.method != kMethodStored && member.method != kMethodDeflated))
            continue;
        std::vector<uint8_t> plain, packed;
        if (!PlainData(member, plain) || !DeflateSmaller(plain.data(), plain.size(), level, packed) ||
            packed.size() >= member.data.size())
            continue;
        member.method = kMethodDeflated;
        member.flags &= (uint16_t)~kFlagBitsDeflateOption;
        if (member.versionNeeded < kVersionDeflated)
            member.versionNeeded = kVersionDeflated;
        member.data.swap(packed);
        smaller++;
    }
    return smaller;
}
