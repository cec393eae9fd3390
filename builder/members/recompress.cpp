#include "builder/members/recompress.h"

#include "archive/zip_format.h"
#include "builder/members/member_data.h"

namespace {

enum : uint16_t {
    kVersionDeflated = 20,
    kFlagBitsDeflateOption = 6,     // bits 1-2: how hard the old deflater tried
};

}  // namespace

bool RecompressMembers(ZipArchive &archive, int level, Spool &spool, size_t &smaller, std::string &why) {
    smaller = 0;
    for (ZipMember &member : archive.members) {
        if (IsFolderName(member.name) || (member.flags & kFlagBitEncrypted) ||
            (member.method != kMethodStored && member.method != kMethodDeflated))
            continue;
        SpoolMark mark = MarkSpool(spool);
        ZipMember packed = member;
        std::string readWhy;
        PlainFeed feed = [&](const ByteSink &take, std::string &feedWhy) {
            return PlainMemberData(member, member.uncompressedSize, take, feedWhy);
        };
        // Without keepPlain: a member deflate does not make smaller stays
        // as it was, so a large one's plain bytes are not copied anywhere.
        if (!PackMember(feed, level, DataSpan(), false, spool, packed, readWhy)) {
            if (!readWhy.empty()) {
                why = readWhy;
                return false;
            }
            continue;   // does not decode: damaged, kept as it is
        }
        bool intact = packed.crc == member.crc && packed.uncompressedSize == member.uncompressedSize;
        if (!intact || packed.method != kMethodDeflated || DataSize(packed) >= DataSize(member)) {
            if (!RewindSpool(spool, mark)) {
                why = "cannot rewind a scratch file";
                return false;
            }
            continue;
        }
        member.method = kMethodDeflated;
        member.flags &= (uint16_t)~kFlagBitsDeflateOption;
        if (member.versionNeeded < kVersionDeflated)
            member.versionNeeded = kVersionDeflated;
        member.data.clear();
        member.span = packed.span;
        smaller++;
    }
    return true;
}
