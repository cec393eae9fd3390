// Input buffering of member data and traditional ZIP decryption.
#pragma once
#include <stdint.h>

// Reads the next piece of the current member (at most 2048 bytes, never past
// memberBytesLeft) into inputBuffer, decrypting it when the member is
// encrypted. Answers the count now available; leaves inputCount one less
// (FetchByte takes the first at once), or 0 and 0 when nothing came.
int RefillInput();

// Reads and checks the 12-byte encryption header of the current member with
// passwordText. 1 when the password fits, 0 otherwise (0 without reading
// when there is no password).
int ReadEncryptionHeader();

int CheckEncryptionHeader(const uint8_t header[12]);
void SeedKeys(const char *password);
void AdvanceKeys(uint8_t plain);
uint8_t KeystreamByte();
