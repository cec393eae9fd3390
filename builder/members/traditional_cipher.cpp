#include "builder/members/traditional_cipher.h"

#include "base/crc32.h"

void StartEncryption(CipherRun &run, const std::string &password, const uint8_t random[11], uint8_t checkByte,
                     uint8_t header[kEncryptionHeaderSize]) {
    CipherSeedKeys(run.keys, Crc32Table(), password.c_str());
    for (int i = 0; i < kEncryptionHeaderSize - 1; i++)
        header[i] = random[i];
    header[kEncryptionHeaderSize - 1] = checkByte;
    EncryptPiece(run, header, kEncryptionHeaderSize);
}

void EncryptPiece(CipherRun &run, uint8_t *bytes, size_t n) {
    const uint32_t *table = Crc32Table();
    for (size_t i = 0; i < n; i++) {
        uint8_t plain = bytes[i];
        bytes[i] = plain ^ CipherKeystreamByte(run.keys);
        CipherAdvanceKeys(run.keys, table, plain);
    }
}
