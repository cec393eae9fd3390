#include "builder/output/text_block.h"

#include <string.h>

#include "builder/members/name_text.h"
#include "image/config_record.h"

const char *const kTextStringNames[kTextStringCount] = {"folder", "skipped", "prompt", "title", "info"};

// Characters each string may hold; the skipped string is bounded only by the
// block's own limit.
static const size_t kCapacities[kTextStringCount] = {kFolderCapacity, kTextBlockMax, kPromptCapacity,
                                                     kTitleCapacity, kInfoCapacity};

// Characters as the stub holds them once decoded: UTF-16 units of
// well-formed UTF-8 (a character beyond U+FFFF takes two, as Windows counts).
size_t TextCharacters(const std::string &text) {
    size_t units = 0;
    for (unsigned char c : text)
        units += (c & 0xC0) == 0x80 ? 0 : c >= 0xF0 ? 2 : 1;
    return units;
}

// Why `text`, given as `what`, cannot go into the block: not UTF-8, a NUL
// inside, or more than `capacity` characters; "" when it can.
static std::string TextRefusal(const std::string &what, const std::string &text, size_t capacity) {
    if (!IsValidUtf8(text))
        return what + " is not valid UTF-8";
    if (text.find('\0') != std::string::npos)
        return what + " holds a NUL byte";
    size_t characters = TextCharacters(text);
    if (characters > capacity)
        return what + " has " + std::to_string(characters) + " characters (at most " + std::to_string(capacity) + ")";
    return "";
}

std::string TextBlockRefusal(const TextStrings &strings) {
    size_t total = 0;
    for (int i = 0; i < kTextStringCount; i++) {
        std::string why = TextRefusal(std::string("the ") + kTextStringNames[i] + " text", strings[i], kCapacities[i]);
        if (!why.empty())
            return why;
        total += strings[i].size() + 1;
    }
    if (total > kTextBlockMax)
        return "the text block takes " + std::to_string(total) + " bytes (at most " +
               std::to_string((int)kTextBlockMax) + ")";
    return "";
}

uint32_t TextBlockFlags(const TextStrings &strings) {
    for (const std::string &text : strings)
        if (!IsAscii(text))
            return kFlagUtf8Text;
    return 0;
}

std::vector<uint8_t> ComposeTextBlock(const TextStrings &strings) {
    std::vector<uint8_t> block;
    for (const std::string &text : strings) {
        block.insert(block.end(), text.begin(), text.end());
        block.push_back(0);
    }
    return block;
}

bool ComposeRunCommand(const std::string &command, const std::string &arguments, std::string &text,
                       Failure &failure) {
    const std::pair<const char *, const std::string *> parts[] = {{"--run", &command}, {"--run-args", &arguments}};
    for (const auto &part : parts) {
        std::string why = TextRefusal(part.first, *part.second, kRunCapacity);
        if (why.empty() && part.second->find(kRunSeparator) != std::string::npos)
            why = std::string(part.first) + " holds a line break";
        if (!why.empty())
            return Fail(failure, "", why);
    }
    if (command.empty())
        return Fail(failure, "", "--run needs a program that is not empty");
    text = arguments.empty() ? command : command + kRunSeparator + arguments;
    return true;
}

void SplitRunCommand(const std::string &text, std::string &command, std::string &arguments) {
    size_t separator = text.find(kRunSeparator);
    command = text.substr(0, separator);
    arguments = separator == std::string::npos ? "" : text.substr(separator + 1);
}

bool SplitTextBlock(const uint8_t *block, size_t length, TextStrings &strings, Failure &failure) {
    size_t at = 0;
    for (int i = 0; i < kTextStringCount; i++) {
        const void *end = at < length ? memchr(block + at, 0, length - at) : nullptr;
        if (!end)
            return Fail(failure, "", std::string("the ") + kTextStringNames[i] +
                                         " string has no terminator inside the text block");
        size_t stop = (const uint8_t *)end - block;
        strings[i].assign((const char *)block + at, stop - at);
        at = stop + 1;
    }
    return true;
}
