#include "builder/traditional_cipher.h"

#include "archive/crc32.h"
#include "archive/zip_format.h"

namespace {

struct CipherKeys {
    uint32_t k0 = 0x12345678;
    uint32_t k1 = 0x23456789;
    uint32_t k2 = 0x34567890;
};

// One step of the CRC register without the pre- and post-complement.
uint32_t CrcStep(uint32_t crc, uint8_t byte) {
    return ~Crc32Of(&byte, 1, ~crc);
}

void UpdateKeys(CipherKeys &keys, uint8_t plain) {
    keys.k0 = CrcStep(keys.k0, plain);
    keys.k1 = (keys.k1 + (keys.k0 & 0xFF)) * 134775813u + 1;
    keys.k2 = CrcStep(keys.k2, (uint8_t)(keys.k1 >> 24));
}

uint8_t KeyStreamByte(const CipherKeys &keys) {
    // 32-bit arithmetic: the product of two 16-bit values overflows an int.
    uint32_t temp = (keys.k2 | 2) & 0xFFFF;
    return (uint8_t)((temp * (temp ^ 1)) >> 8);
}

uint8_t EncryptByte(CipherKeys &keys, uint8_t plain) {
    uint8_t cipher = plain ^ KeyStreamByte(keys);
    UpdateKeys(keys, plain);
    return cipher;
}

}  // namespace

std::vector<uint8_t> EncryptMemberData(const std::string &password, const uint8_t random[11], uint8_t checkByte,
                                       const std::vector<uint8_t> &data) {
    CipherKeys keys;
    for (unsigned char c : password)
        UpdateKeys(keys, c);
    std::vector<uint8_t> out;
    out.reserve(kEncryptionHeaderSize + data.size());
    for (int i = 0; i < kEncryptionHeaderSize - 1; i++)
        out.push_back(EncryptByte(keys, random[i]));
    out.push_back(EncryptByte(keys, checkByte));
    for (uint8_t byte : data)
        out.push_back(EncryptByte(keys, byte));
    return out;
}
