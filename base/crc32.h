// CRC-32 of ZIP (reflected polynomial 0xEDB88320). One table serves the stub
// checksum, every member's check and the traditional decryption's keys.
#pragma once
#include <stddef.h>
#include <stdint.h>

enum { kCrcPolynomial = 0xEDB88320u };

// Fills the context's 256-entry table; entry i is the CRC of byte i.
void CrcBuildTable();

// Runs the context's CRC register over n bytes. The caller sets the register
// to 0xFFFFFFFF before and complements it after.
void CrcUpdate(const uint8_t *data, size_t n);

// Stand-alone CRC-32 of a buffer for tools (builder, tests): builds its own
// table on first use and does not touch the context.
uint32_t Crc32Of(const uint8_t *data, size_t n, uint32_t crc = 0);

// The 256-entry table behind Crc32Of, built on first use, for tools that
// run a rule stirred by the CRC (the traditional encryption's keys).
const uint32_t *Crc32Table();
