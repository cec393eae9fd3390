// The keys of the traditional ZIP encryption: three 32-bit words seeded with
// fixed values and stirred by every plain byte, two of them through the
// CRC-32 table; the keystream byte is drawn from the third. The decrypting
// stub and the encrypting builder both run these, each on its own keys and
// table.
#pragma once
#include <stdint.h>

enum CipherKeyCount { kCipherKeyCount = 3 };

// Sets keys to the seeds and advances them with each byte of the
// NUL-terminated password. table is the 256-entry CRC-32 table.
void CipherSeedKeys(uint32_t keys[kCipherKeyCount], const uint32_t table[256], const char *password);

// Advances keys by one plain byte.
void CipherAdvanceKeys(uint32_t keys[kCipherKeyCount], const uint32_t table[256], uint8_t plain);

// The next keystream byte; depends on the low 16 bits of keys[2] only.
uint8_t CipherKeystreamByte(const uint32_t keys[kCipherKeyCount]);
