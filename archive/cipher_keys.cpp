#include "archive/cipher_keys.h"

enum CipherSeeds : uint32_t {
    kKey0Seed = 0x12345678u,
    kKey1Seed = 0x23456789u,
    kKey2Seed = 0x34567890u,
    kKey1Multiplier = 0x08088405u,
};

void CipherSeedKeys(uint32_t keys[kCipherKeyCount], const uint32_t table[256], const char *password) {
    keys[0] = kKey0Seed;
    keys[1] = kKey1Seed;
    keys[2] = kKey2Seed;
    for (const char *p = password; *p; p++)
        CipherAdvanceKeys(keys, table, (uint8_t)*p);
}

// Keys 0 and 2 take one step of the CRC register without its complements.
void CipherAdvanceKeys(uint32_t keys[kCipherKeyCount], const uint32_t table[256], uint8_t plain) {
    keys[0] = table[(keys[0] ^ plain) & 0xFF] ^ (keys[0] >> 8);
    keys[1] = (keys[1] + (keys[0] & 0xFF)) * kKey1Multiplier + 1;
    keys[2] = table[(keys[2] & 0xFF) ^ (keys[1] >> 24)] ^ (keys[2] >> 8);
}

uint8_t CipherKeystreamByte(const uint32_t keys[kCipherKeyCount]) {
    // 32-bit arithmetic: the product of two 16-bit values overflows an int.
    uint32_t t = (keys[2] | 2) & 0xFFFF;
    return (uint8_t)((t * (t ^ 1)) >> 8);
}
