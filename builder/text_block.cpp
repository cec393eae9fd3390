#include "builder/text_block.h"

#include <string.h>

#include "image/config_record.h"

const char *const kTextStringNames[kTextStringCount] = {"folder", "skipped", "prompt", "title", "info"};

// Characters each string may hold; the skipped string is bounded only by the
// block's own limit.
static const size_t kCapacities[kTextStringCount] = {kFolderCapacity, kTextBlockMax, kPromptCapacity,
                                                     kTitleCapacity, kInfoCapacity};

std::string TextBlockRefusal(const TextStrings &strings) {
    size_t total = 0;
    for (int i = 0; i < kTextStringCount; i++) {
        if (strings[i].size() > kCapacities[i])
            return std::string("the ") + kTextStringNames[i] + " text has " + std::to_string(strings[i].size()) +
                   " characters (at most " + std::to_string(kCapacities[i]) + ")";
        if (strings[i].find('\0') != std::string::npos)
            return std::string("the ") + kTextStringNames[i] + " text holds a NUL byte";
        total += strings[i].size() + 1;
    }
    if (total > kTextBlockMax)
        return "the text block takes " + std::to_string(total) + " bytes (at most " +
               std::to_string((int)kTextBlockMax) + ")";
    return "";
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
                       std::string &why) {
    const std::pair<const char *, const std::string *> parts[] = {{"--run", &command}, {"--run-args", &arguments}};
    for (const auto &part : parts) {
        if (part.second->size() > kRunCapacity)
            why = std::string(part.first) + " has " + std::to_string(part.second->size()) + " characters (at most " +
                  std::to_string((int)kRunCapacity) + ")";
        else if (part.second->find_first_of(std::string(1, kRunSeparator) + '\0') != std::string::npos)
            why = std::string(part.first) + " holds a line break or a NUL byte";
        if (!why.empty())
            return false;
    }
    if (command.empty()) {
        why = "--run needs a program that is not empty";
        return false;
    }
    text = arguments.empty() ? command : command + kRunSeparator + arguments;
    return true;
}

void SplitRunCommand(const std::string &text, std::string &command, std::string &arguments) {
    size_t separator = text.find(kRunSeparator);
    command = text.substr(0, separator);
    arguments = separator == std::string::npos ? "" : text.substr(separator + 1);
}

bool SplitTextBlock(const uint8_t *block, size_t length, TextStrings &strings, std::string &why) {
    size_t at = 0;
    for (int i = 0; i < kTextStringCount; i++) {
        const void *end = at < length ? memchr(block + at, 0, length - at) : nullptr;
        if (!end) {
            why = std::string("the ") + kTextStringNames[i] + " string has no terminator inside the text block";
            return false;
        }
        size_t stop = (const uint8_t *)end - block;
        strings[i].assign((const char *)block + at, stop - at);
        at = stop + 1;
    }
    return true;
}
