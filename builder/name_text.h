// Member names as text a person can read: UTF-8 where the archive says the
// name is UTF-8 (flag bit 11, or a Unicode Path extra field that matches the
// stored name), and every byte that cannot be shown as itself written as
// \xNN, so that no raw single-byte name ever reaches a terminal.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

// Whether `bytes` are well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF.
bool IsValidUtf8(const std::string &bytes);

// `bytes` for a terminal. With `utf8`, well-formed sequences of printable
// characters stay as they are; every other byte that is not printable ASCII
// (control characters, C1 controls, stray high bytes) becomes \xNN, and a
// backslash becomes \\ so that the escapes stay unambiguous.
std::string EscapedText(const std::string &bytes, bool utf8);

// The UTF-8 name a Unicode Path extra field (0x7075) gives for the stored
// single-byte `name`: found in `extra` (a whole extra area), version 1, and
// its CRC-32 equal to the stored name's. Answers false otherwise.
bool UnicodePathName(const std::vector<uint8_t> &extra, const std::string &name, std::string &utf8);

// How a member's name reads: decoded as the extractor decodes it (bit 11,
// else a matching Unicode Path field in `extra`, else single-byte text) and
// escaped for a terminal.
std::string DisplayName(const std::string &name, uint16_t flags, const std::vector<uint8_t> &extra);
