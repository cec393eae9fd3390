// The member CRC, taken sixteen bytes at a time, against the plain byte-wise CRC
// of the tools, over lengths and piece boundaries that leave every remainder.
#include <gtest/gtest.h>

#include <string>

#include "base/crc32.h"
#include "context/extraction_context.h"

TEST(MemberCrc, AgreesWithTheByteWiseCrcForEveryLengthAndSplit) {
    CrcBuildTable();
    std::string data(4100, '\0');
    uint32_t seed = 99;
    for (char &c : data) {
        seed = seed * 1103515245u + 12345u;
        c = (char)(seed >> 23);
    }
    const uint8_t *bytes = (const uint8_t *)data.data();
    const size_t lengths[] = {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33, 2047, 2048, 2049, 4100};
    for (size_t length : lengths) {
        for (size_t split : {size_t(0), size_t(1), size_t(3), length / 2}) {
            if (split > length)
                continue;
            ctx.crcRegister = 0xFFFFFFFFu;
            CrcUpdate(bytes, split);
            CrcUpdate(bytes + split, length - split);
            EXPECT_EQ(~ctx.crcRegister, Crc32Of(bytes, length)) << length << " split at " << split;
        }
    }
    // The check value of the ZIP CRC.
    ctx.crcRegister = 0xFFFFFFFFu;
    CrcUpdate((const uint8_t *)"123456789", 9);
    EXPECT_EQ(~ctx.crcRegister, 0xCBF43926u);
}
