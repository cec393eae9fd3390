// Input buffering of member data: the decoder's input (RefillInput,
// declared with the decoder in codec/inflate.h) and the encryption header
// in front of an encrypted member's data.
#pragma once
#include <stdint.h>

#include "archive/zip_format.h"
#include "codec/inflate.h"

// Read error codes this side reports through ReadError.
enum InputReadErrors {
    kReadErrorMemberData = 2,
    kReadErrorEncryptionHeader = 14,
};

// Reads and checks the 12-byte encryption header of the current member with
// passwordText. 1 when the password fits, 0 otherwise (0 without reading
// when there is no password). A member too short to hold the header is a
// read error 14, before anything is read.
int ReadEncryptionHeader();
