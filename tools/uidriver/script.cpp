// Script lines: words, quoting and numbers.
#include "uidriver.h"
#include <stdlib.h>

bool SplitScriptLine(const std::string &line, std::vector<Word> &words, std::string &error)
{
    words.clear();
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        Word word{std::string(), c == '"'};
        if (word.quoted) {
            ++i;
            while (i < line.size() && line[i] != '"') {
                char d = line[i++];
                if (d == '\\' && i < line.size()) {
                    char e = line[i++];
                    d = e == 'n' ? '\n' : e == 't' ? '\t' : e;
                }
                word.text += d;
            }
            if (i >= line.size()) {
                error = "unclosed quote";
                return false;
            }
            ++i;
        } else {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n')
                word.text += line[i++];
        }
        words.push_back(word);
    }
    return true;
}

bool ParseNumber(const Word &word, long &value)
{
    if (word.quoted || word.text.empty()) return false;
    char *end = nullptr;
    // Unsigned parsing keeps ids such as 0xFFFFFFFF whole in a 32-bit long.
    if (word.text[0] == '-')
        value = strtol(word.text.c_str(), &end, 0);
    else
        value = (long)strtoul(word.text.c_str(), &end, 0);
    return *end == 0;
}
