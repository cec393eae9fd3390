// The traditional ZIP encryption, encrypting side: three 32-bit keys seeded
// from the password, a 12-byte header in front of the data whose last byte
// is the check byte.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

// Encrypts `data` (the member's compressed bytes) in place behind a fresh
// header: 11 bytes from `random` and the check byte `checkByte`, the high byte
// of the CRC for members without a data descriptor. Answers header + data.
std::vector<uint8_t> EncryptMemberData(const std::string &password, const uint8_t random[11], uint8_t checkByte,
                                       const std::vector<uint8_t> &data);
