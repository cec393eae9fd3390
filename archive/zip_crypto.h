// The traditional ZIP encryption on the member being read: the keys live in
// the context and stir with the context's CRC-32 table.
#pragma once
#include <stdint.h>

// Decrypts the 12 header bytes in place with keys seeded from passwordText
// and compares the last with the check byte: 1 when equal, 0 when not or
// without a password. The keys are left ready for the member's data.
int CheckEncryptionHeader(uint8_t header[12]);
// Decrypts n bytes in place, advancing the keys with each plain byte.
void DecryptBytes(uint8_t *data, uint32_t n);
