#include "builder/members/recompress.h"

#include "archive/zip_format.h"
#include "builder/members/member_data.h"

namespace {

enum : uint16_t {
    kVersionDeflated = 20,
    kFlagBitsDeflateOption = 6,     // bits 1-2: how hard the old deflater tried
};

}  // namespace

bool RecompressMembers(ZipArchive &archive, int level, Spool &spool, size_t &smaller, Failure &failure) {
    smaller = 0;
    for (ZipMember &member : archive.members) {
        if (IsFolderName(member.name) || (member.flags & kFlagBitEncrypted) ||
            (member.method != kMethodStored && member.method != kMethodDeflated))
            continue;
        SpoolMark mark = MarkSpool(spool);
        ZipMember packed = member;
        Failure readFailure;
        PlainFeed feed = [&](const ByteSink &take, Failure &feedFailure) {
            return PlainMemberData(member, member.uncompressedSize, take, feedFailure);
        };
        // Without keepPlain: a member deflate does not make smaller stays
        // as it was, so a large one's plain bytes are not copied anywhere.
        if (!PackMember(feed, level, DataSpan(), false, spool, packed, readFailure)) {
            if (!readFailure.cause.empty()) {
                failure = readFailure;
                return false;
            }
            continue;   // does not decode: damaged, kept as it is
        }
        bool intact = packed.crc == member.crc && packed.uncompressedSize == member.uncompressedSize;
        if (!intact || packed.method != kMethodDeflated || DataSize(packed) >= DataSize(member)) {
            if (!RewindSpool(spool, mark))
                return Fail(failure, "", "cannot rewind a scratch file");
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
