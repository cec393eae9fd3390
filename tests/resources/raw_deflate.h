// Raw Deflate streams through zlib, as a reference beside the extractor's
// own decoder in the resource tests.
#pragma once
#include <stdint.h>
#include <zlib.h>

#include <vector>

typedef std::vector<uint8_t> Bytes;

// Decodes one raw stream from data; *consumed receives the bytes the stream
// took, or 0 when it did not end properly within size.
inline Bytes InflateRaw(const uint8_t *data, size_t size, size_t *consumed) {
    Bytes out(1 << 16);
    z_stream stream{};
    inflateInit2(&stream, -15);
    stream.next_in = const_cast<uint8_t *>(data);
    stream.avail_in = (uInt)size;
    stream.next_out = out.data();
    stream.avail_out = (uInt)out.size();
    int result = inflate(&stream, Z_FINISH);
    *consumed = result == Z_STREAM_END ? size - stream.avail_in : 0;
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return out;
}

// A raw level-9 stream of data.
inline Bytes DeflateRaw(const Bytes &data) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    Bytes out(deflateBound(&stream, data.size()));
    stream.next_in = const_cast<uint8_t *>(data.data());
    stream.avail_in = (uInt)data.size();
    stream.next_out = out.data();
    stream.avail_out = (uInt)out.size();
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}
