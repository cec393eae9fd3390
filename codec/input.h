// Input buffering of member data and traditional ZIP decryption.
#pragma once
#include <stdint.h>

#include "archive/zip_format.h"

// Read error codes this side reports through ReadError.
enum InputReadErrors {
    kReadErrorMemberData = 2,
    kReadErrorEncryptionHeader = 14,
};

// Reads the next piece of the current member (at most 2048 bytes, never past
// memberBytesLeft) into inputBuffer, decrypting it when the member is
// encrypted. Answers the count now available; leaves inputCount one less
// (FetchByte takes the first at once), or 0 and 0 when nothing came.
int RefillInput();

// Reads and checks the 12-byte encryption header of the current member with
// passwordText. 1 when the password fits, 0 otherwise (0 without reading
// when there is no password). A member too short to hold the header is a
// read error 14, before anything is read.
int ReadEncryptionHeader();

// Decrypts the 12 header bytes in place with keys seeded from passwordText
// and compares the last with the check byte: 1 when equal, 0 when not or
// without a password. The keys are left ready for the member's data.
int CheckEncryptionHeader(uint8_t header[12]);
// Decrypts n bytes in place, advancing the keys with each plain byte.
void DecryptBytes(uint8_t *data, uint32_t n);
