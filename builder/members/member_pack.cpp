#include "builder/members/member_pack.h"

#include <errno.h>
#include <string.h>

#include <vector>

#include "base/crc32.h"
#include "archive/zip_format.h"
#include "builder/common/file_io.h"
#include "builder/common/system.h"
#include "builder/members/member_deflate.h"

namespace {

bool OpenSpoolFile(const std::string &folder, const char *prefix, SpoolFile &spool, Failure &failure) {
    spool.file = CreateScratchFile(folder, prefix, spool.path);
    if (!spool.file) {
        return Fail(failure, "", std::string("cannot create a scratch file in its folder: ") + strerror(errno));
    }
    spool.end = 0;
    return true;
}

bool WriteSpoolFile(SpoolFile &spool, const uint8_t *bytes, size_t n, Failure &failure) {
    if (n > 0 && fwrite(bytes, 1, n, spool.file) != n) {
        return Fail(failure, "", spool.path + ": " + strerror(errno));
    }
    spool.end += n;
    return true;
}

bool RewindSpoolFile(SpoolFile &spool, uint64_t to) {
    if (spool.end == to)
        return true;
    spool.end = to;
    return fflush(spool.file) == 0 && SeekFile(spool.file, to);
}

DataSpan SpanOf(const SpoolFile &spool, uint64_t from) {
    DataSpan span;
    span.file = spool.path;
    span.offset = from;
    span.length = (uint32_t)(spool.end - from);
    return span;
}

// One member on its way through PackMember.
struct PackRun {
    int level;
    const DataSpan &again;
    bool keepPlain;
    Spool &spool;
    SpoolMark start;
    std::vector<uint8_t> whole;     // the plain bytes while there are at most kWholeMember
    DeflateStream *deflater = nullptr;
    bool streaming = false;
    uint32_t crc = 0;
    uint64_t size = 0;
    Failure failure;

    // Where a streaming member's plain bytes are written, if anywhere.
    SpoolFile *PlainTarget() {
        if (!again.file.empty())
            return nullptr;
        return level < 1 ? &spool.packed : keepPlain ? &spool.plain : nullptr;
    }

    bool Stream(const uint8_t *bytes, size_t n) {
        SpoolFile *plain = PlainTarget();
        if (plain && !WriteSpoolFile(*plain, bytes, n, failure))
            return false;
        if (!deflater)
            return true;
        return DeflatePiece(deflater, bytes, n, false,
                            [&](const uint8_t *out, size_t got) { return WriteSpoolFile(spool.packed, out, got, failure); }) ||
               Failed("deflate failed");
    }

    bool Failed(const char *what) {
        if (failure.cause.empty())
            failure.cause = what;
        return false;
    }

    bool Take(const uint8_t *bytes, size_t n) {
        crc = Crc32Of(bytes, n, crc);
        size += n;
        if (size >= kZip64Marker32)
            return Failed("is 4 GiB or larger (only smaller files fit an archive without ZIP64)");
        if (!streaming && whole.size() + n <= kWholeMember) {
            whole.insert(whole.end(), bytes, bytes + n);
            return true;
        }
        if (!streaming) {
            streaming = true;
            if (level >= 1 && !(deflater = StartDeflateStream(level)))
                return Failed("out of memory for deflate");
            std::vector<uint8_t> held;
            held.swap(whole);
            if (!Stream(held.data(), held.size()))
                return false;
        }
        return Stream(bytes, n);
    }

    // The small path, as it always was: the whole member through
    // DeflateSmaller, and whichever form is smaller into the spool.
    bool FinishWhole(ZipMember &member) {
        std::vector<uint8_t> packed;
        bool deflated = DeflateSmaller(whole.data(), whole.size(), level, packed);
        const std::vector<uint8_t> &data = deflated ? packed : whole;
        member.method = deflated ? kMethodDeflated : kMethodStored;
        if (!WriteSpoolFile(spool.packed, data.data(), data.size(), failure))
            return false;
        member.span = SpanOf(spool.packed, start.packed);
        return true;
    }

    bool FinishStream(ZipMember &member) {
        if (deflater && !DeflatePiece(deflater, nullptr, 0, true, [&](const uint8_t *out, size_t got) {
                return WriteSpoolFile(spool.packed, out, got, failure);
            }))
            return Failed("deflate failed");
        if (deflater && spool.packed.end - start.packed < size) {
            member.method = kMethodDeflated;
            member.span = SpanOf(spool.packed, start.packed);
            return RewindSpoolFile(spool.plain, start.plain) || Failed("cannot rewind the scratch file");
        }
        member.method = kMethodStored;
        if (deflater && !RewindSpoolFile(spool.packed, start.packed))
            return Failed("cannot rewind the scratch file");
        if (!again.file.empty()) {
            member.span = again;
            member.span.length = (uint32_t)size;
            member.span.recheckCrc = true;
        } else if (PlainTarget()) {
            SpoolFile &plain = *PlainTarget();
            member.span = SpanOf(plain, &plain == &spool.packed ? start.packed : start.plain);
        } else {
            member.span = DataSpan();
        }
        return true;
    }
};

}  // namespace

bool OpenSpool(const std::string &folder, Spool &spool, Failure &failure) {
    if (OpenSpoolFile(folder, ".mksfx-spool-", spool.packed, failure) && OpenSpoolFile(folder, ".mksfx-plain-", spool.plain, failure))
        return true;
    CloseSpool(spool);
    return false;
}

void CloseSpool(Spool &spool) {
    RemoveScratchFile(spool.packed.file, spool.packed.path);
    RemoveScratchFile(spool.plain.file, spool.plain.path);
}

SpoolMark MarkSpool(const Spool &spool) {
    SpoolMark mark;
    mark.packed = spool.packed.end;
    mark.plain = spool.plain.end;
    return mark;
}

bool RewindSpool(Spool &spool, const SpoolMark &mark) {
    return RewindSpoolFile(spool.packed, mark.packed) && RewindSpoolFile(spool.plain, mark.plain);
}

bool AppendToSpool(Spool &spool, const uint8_t *bytes, size_t n, Failure &failure) {
    return WriteSpoolFile(spool.packed, bytes, n, failure);
}

DataSpan SpooledSince(Spool &spool, uint64_t from) {
    // What follows reads the file by its name: the bytes must be out of
    // this process's buffer first.
    fflush(spool.packed.file);
    return SpanOf(spool.packed, from);
}

bool PackMember(const PlainFeed &feed, int level, const DataSpan &again, bool keepPlain, Spool &spool,
                ZipMember &member, Failure &failure) {
    PackRun run{level, again, keepPlain, spool, MarkSpool(spool), {}, nullptr, false, 0, 0, {}};
    Failure readFailure;
    bool ok = feed([&](const uint8_t *bytes, size_t n) { return run.Take(bytes, n); }, readFailure);
    if (ok)
        ok = run.streaming ? run.FinishStream(member) : run.FinishWhole(member);
    EndDeflateStream(run.deflater);
    if (!ok) {
        failure = !readFailure.cause.empty() ? readFailure : run.failure;
        RewindSpool(spool, run.start);
        return false;
    }
    member.crc = run.crc;
    member.uncompressedSize = (uint32_t)run.size;
    member.data.clear();
    if ((spool.packed.file && fflush(spool.packed.file) != 0) || (spool.plain.file && fflush(spool.plain.file) != 0)) {
        return Fail(failure, "", std::string("cannot write a scratch file: ") + strerror(errno));
    }
    return true;
}
