#include "builder/member_deflate.h"

#include <string.h>

#ifdef TARVEX_LIBDEFLATE
#include <libdeflate.h>
#else
#include <zlib.h>
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
