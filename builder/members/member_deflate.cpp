#include "builder/members/member_deflate.h"

#include <string.h>

#include <zlib.h>

#ifdef TARVEX_LIBDEFLATE
#include <libdeflate.h>
#endif

#ifdef TARVEX_LIBDEFLATE

bool HasLibdeflate() {
    return true;
}

bool DeflateSmaller(const uint8_t *in, size_t n, int level, std::vector<uint8_t> &out) {
    if (n == 0 || level < 1)
        return false;
    struct libdeflate_compressor *compressor = libdeflate_alloc_compressor(level > 12 ? 12 : level);
    if (!compressor)
        return false;
    // Room for one byte less than the input: libdeflate answers 0 when the
    // result does not fit, which is exactly "not smaller".
    out.resize(n - 1);
    size_t got = n > 1 ? libdeflate_deflate_compress(compressor, in, n, out.data(), out.size()) : 0;
    libdeflate_free_compressor(compressor);
    out.resize(got);
    return got != 0;
}

#else

bool HasLibdeflate() {
    return false;
}

bool DeflateSmaller(const uint8_t *in, size_t n, int level, std::vector<uint8_t> &out) {
    enum { kMemLevel = 9 };
    if (n == 0 || level < 1)
        return false;
    z_stream stream;
    memset(&stream, 0, sizeof stream);
    if (deflateInit2(&stream, level > 9 ? 9 : level, Z_DEFLATED, -MAX_WBITS, kMemLevel, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    out.resize(deflateBound(&stream, (uLong)n));
    stream.next_in = (Bytef *)in;
    stream.avail_in = (uInt)n;
    stream.next_out = out.data();
    stream.avail_out = (uInt)out.size();
    int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return result == Z_STREAM_END && out.size() < n;
}

#endif

enum { kStreamMemLevel = 9 };   // zlib's largest hash, as DeflateSmaller's zlib uses

struct DeflateStream {
    z_stream z;
    std::vector<uint8_t> out;
};

DeflateStream *StartDeflateStream(int level) {
    DeflateStream *stream = new DeflateStream();
    memset(&stream->z, 0, sizeof stream->z);
    if (deflateInit2(&stream->z, level > 9 ? 9 : level < 1 ? 1 : level, Z_DEFLATED, -MAX_WBITS, kStreamMemLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        delete stream;
        return nullptr;
    }
    stream->out.resize(kDataPiece);
    return stream;
}

bool DeflatePiece(DeflateStream *stream, const uint8_t *in, size_t n, bool finish, const ByteSink &out) {
    z_stream &z = stream->z;
    z.next_in = (Bytef *)in;
    z.avail_in = (uInt)n;
    static_assert(kDataPiece <= 0xFFFFFFFFu, "a piece must fit zlib's 32-bit counts");
    for (;;) {
        z.next_out = stream->out.data();
        z.avail_out = (uInt)stream->out.size();
        int result = deflate(&z, finish ? Z_FINISH : Z_NO_FLUSH);
        if (result == Z_STREAM_ERROR)
            return false;
        size_t got = stream->out.size() - z.avail_out;
        if (got > 0 && !out(stream->out.data(), got))
            return false;
        if (finish ? result == Z_STREAM_END : (z.avail_in == 0 && z.avail_out != 0))
            return true;
    }
}

void EndDeflateStream(DeflateStream *stream) {
    if (!stream)
        return;
    deflateEnd(&stream->z);
    delete stream;
}
