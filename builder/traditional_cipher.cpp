#include "builder/traditional_cipher.h"

#include "archive/cipher_keys.h"
#include "archive/crc32.h"
#include "archive/zip_format.h"

namespace {

uint8_t EncryptByte(uint32_t keys[kCipherKeyCount], uint8_t plain) {
    uint8_t cipher = plain ^ CipherKeystreamByte(keys);
    CipherAdvanceKeys(keys, Crc32Table(), plain);
    return cipher;
}

}  // namespace

std::vector<uint8_t> EncryptMemberData(const std::string &password, const uint8_t random[11], uint8_t checkByte,
                                       const std::vector<uint8_t> &data) {
    uint32_t keys[kCipherKeyCount];
    CipherSeedKeys(keys, Crc32Table(), password.c_str());
    std::vector<uint8_t> out;
    out.reserve(kEncryptionHeaderSize + data.size());
    for (int i = 0; i < kEncryptionHeaderSize - 1; i++)
        out.push_back(EncryptByte(keys, random[i]));
    out.push_back(EncryptByte(keys, checkByte));
    for (uint8_t byte : data)
        out.push_back(EncryptByte(keys, byte));
    return out;
}
