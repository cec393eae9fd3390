#include "archive/zip_crypto.h"

#include "archive/cipher_keys.h"
#include "archive/zip_format.h"
#include "context/extraction_context.h"

static_assert(sizeof ctx.cipherKeys / sizeof ctx.cipherKeys[0] == kCipherKeyCount, "the context holds every key");

void DecryptBytes(uint8_t *data, uint32_t n) {
    for (uint32_t i = 0; i < n; i++) {
        uint8_t plain = (uint8_t)(data[i] ^ CipherKeystreamByte(ctx.cipherKeys));
        data[i] = plain;
        CipherAdvanceKeys(ctx.cipherKeys, ctx.crcTables[0], plain);
    }
}

int CheckEncryptionHeader(uint8_t header[12]) {
    if (!ctx.passwordText)
        return 0;
    CipherSeedKeys(ctx.cipherKeys, ctx.crcTables[0], ctx.passwordText);
    DecryptBytes(header, kEncryptionHeaderSize);
    // With a data descriptor the CRC is not known when the header is
    // written, so the high byte of the time stands in for it.
    uint8_t check = ctx.descriptorFollows ? (uint8_t)(ctx.localHeader.time >> 8)
                                          : (uint8_t)(ctx.localHeader.crc32 >> 24);
    return header[kEncryptionHeaderSize - 1] == check;
}
