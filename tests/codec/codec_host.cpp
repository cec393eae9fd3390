#include "tests/codec/codec_host.h"

#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <vector>

#include "base/crc32.h"
#include "context/extraction_context.h"
#include "platform/host/host_control.h"

namespace codechost {

std::string SetUpMachine(const std::string &tag) {
    std::string pattern = "/tmp/tarvex-" + tag + "-XXXXXX";
    std::vector<char> folder(pattern.begin(), pattern.end());
    folder.push_back(0);
    if (!mkdtemp(folder.data()))
        abort();
    hostsim::Reset(folder.data());
    memset((void *)&ctx, 0, sizeof ctx);
    ctx.inflateWindow = (uint8_t *)calloc(kWindowAllocation, 1);
    ctx.inputBuffer = (uint8_t *)calloc(kIoBufferAllocation, 1);
    ctx.outputBuffer = (uint8_t *)calloc(kIoBufferAllocation, 1);
    ctx.messageBuffer = (char *)calloc(kMessageBufferSize, 1);
    CrcBuildTable();
    return folder.data();
}

std::string RawDeflate(const std::string &data, int level, int strategy) {
    z_stream z;
    memset(&z, 0, sizeof z);
    deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = (Bytef *)data.data();
    z.avail_in = (uInt)data.size();
    z.next_out = (Bytef *)&out[0];
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

}  // namespace codechost
