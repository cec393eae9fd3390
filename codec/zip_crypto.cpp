// The traditional ZIP encryption: three 32-bit keys stirred with the CRC-32
// table by every plain byte, a keystream byte drawn from the third.
#include "codec/input.h"
#include "context/extraction_context.h"

enum CipherSeeds : uint32_t {
    kKey0Seed = 0x12345678u,
    kKey1Seed = 0x23456789u,
    kKey2Seed = 0x34567890u,
    kKey1Multiplier = 0x08088405u,
};

void SeedKeys(const char *password) {
    ctx.cipherKeys[0] = kKey0Seed;
    ctx.cipherKeys[1] = kKey1Seed;
    ctx.cipherKeys[2] = kKey2Seed;
    for (const char *p = password; *p; p++)
        AdvanceKeys((uint8_t)*p);
}

void AdvanceKeys(uint8_t plain) {
    uint32_t *keys = ctx.cipherKeys;
    const uint32_t *table = ctx.crcTables[0];
    keys[0] = table[(keys[0] ^ plain) & 0xFF] ^ (keys[0] >> 8);
    keys[1] = (keys[1] + (keys[0] & 0xFF)) * kKey1Multiplier + 1;
    keys[2] = table[(keys[2] & 0xFF) ^ (keys[1] >> 24)] ^ (keys[2] >> 8);
}

uint8_t KeystreamByte() {
    uint32_t t = (ctx.cipherKeys[2] | 2) & 0xFFFF;
    return (uint8_t)((t * (t ^ 1)) >> 8);
}

void DecryptBytes(uint8_t *data, uint32_t n) {
    for (uint32_t i = 0; i < n; i++) {
        uint8_t plain = (uint8_t)(data[i] ^ KeystreamByte());
        data[i] = plain;
        AdvanceKeys(plain);
    }
}

int CheckEncryptionHeader(const uint8_t header[12]) {
    if (!ctx.passwordText)
        return -1;
    uint8_t plain[kEncryptionHeaderSize];
    for (unsigned i = 0; i < kEncryptionHeaderSize; i++)
        plain[i] = header[i];
    SeedKeys(ctx.passwordText);
    DecryptBytes(plain, kEncryptionHeaderSize);
    // With a data descriptor the CRC is not known when the header is
    // written, so the high byte of the time stands in for it.
    uint8_t check = ctx.descriptorFollows ? (uint8_t)(ctx.localHeader.time >> 8)
                                          : (uint8_t)(ctx.localHeader.crc32 >> 24);
    return plain[kEncryptionHeaderSize - 1] == check ? 0 : -1;
}
