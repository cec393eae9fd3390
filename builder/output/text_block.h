// The TextBlock: five NUL-terminated strings between TextBlockOffset and
// ArchiveOffset, at most 1256 bytes in all.
#pragma once
#include <stdint.h>

#include <array>
#include <string>
#include <vector>

#include "builder/common/failure.h"

enum TextBlockString {
    kTextFolder,      // default destination folder
    kTextSkipped,     // the after-unzip command (RunCommand flag); else passed over by the stub
    kTextPrompt,      // start-up prompt, empty = none
    kTextTitle,       // title text, used with HasTitle
    kTextInfo,        // shown by -info
    kTextStringCount,
};

using TextStrings = std::array<std::string, kTextStringCount>;

// The strings are UTF-8, and the stub shows exactly their characters. Its
// buffers count characters as UTF-16 units (one for each character up to
// U+FFFF, two beyond); the block as a whole counts bytes.
size_t TextCharacters(const std::string &text);

// Why the strings do not fit the stub's buffers (a string that is not UTF-8
// or holds a NUL, a string over its capacity, the block over 1256 bytes), or
// "" when they fit.
std::string TextBlockRefusal(const TextStrings &strings);

// The Utf8Text flag when a string holds anything beyond ASCII; 0 otherwise,
// where both readings agree and the image is as it always was.
uint32_t TextBlockFlags(const TextStrings &strings);

// The block's bytes: each string followed by its NUL.
std::vector<uint8_t> ComposeTextBlock(const TextStrings &strings);

// Splits a block into its five strings as the stub walks them. Fails with
// the reason when a terminator is missing.
bool SplitTextBlock(const uint8_t *block, size_t length, TextStrings &strings, Failure &failure);

extern const char *const kTextStringNames[kTextStringCount];

// The second string for --run and --run-args: the command, the separator
// and the arguments. Fails with the reason when either is not UTF-8, does
// not fit the stub's buffers or holds the separator.
bool ComposeRunCommand(const std::string &command, const std::string &arguments, std::string &text,
                       Failure &failure);

// The command and the arguments back from the second string.
void SplitRunCommand(const std::string &text, std::string &command, std::string &arguments);
