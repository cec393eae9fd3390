// The traditional ZIP encryption, encrypting side: three 32-bit keys seeded
// from the password, a 12-byte header in front of the data whose last byte
// is the check byte. The data is encrypted piece by piece as it streams.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

#include "archive/cipher_keys.h"
#include "archive/zip_format.h"

struct CipherRun {
    uint32_t keys[kCipherKeyCount];
};

// Seeds the keys from `password` and answers the encrypted header: 11 bytes
// from `random` and the check byte `checkByte`, the high byte of the CRC for
// members without a data descriptor.
void StartEncryption(CipherRun &run, const std::string &password, const uint8_t random[11], uint8_t checkByte,
                     uint8_t header[kEncryptionHeaderSize]);

// Encrypts the next `n` bytes of the member's compressed data in place.
void EncryptPiece(CipherRun &run, uint8_t *bytes, size_t n);
