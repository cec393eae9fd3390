// Member names as text a person can read: UTF-8 where the archive says the
// name is UTF-8 (flag bit 11, or a Unicode Path extra field that stands for
// the stored name), and every byte that cannot be shown as itself written as
// \xNN, so that no raw single-byte name ever reaches a terminal.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

// Whether every byte of `text` is ASCII (below 0x80).
bool IsAscii(const std::string &text);

// Whether `bytes` are well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF.
bool IsValidUtf8(const std::string &bytes);

// `bytes` for a terminal. With `utf8`, well-formed sequences of printable
// characters stay as they are; every other byte that is not printable ASCII
// (control characters, C1 controls, stray high bytes) becomes \xNN, and a
// backslash becomes \\ so that the escapes stay unambiguous.
std::string EscapedText(const std::string &bytes, bool utf8);

// The text the stub decodes a member's name from, as it chooses it
// (archive/name_decoding.h): the stored name when flag bit 11 marks it as
// UTF-8, else the name of a Unicode Path field in `extra` that stands for
// it, else the stored name as ANSI text. `utf8` says which kind it is.
std::string StubNameText(const std::string &name, uint16_t flags, const std::vector<uint8_t> &extra, bool &utf8);

// How a member's name reads: the text StubNameText chooses from `extra`,
// escaped for a terminal.
std::string DisplayName(const std::string &name, uint16_t flags, const std::vector<uint8_t> &extra);
