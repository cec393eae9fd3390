#include "builder/password_source.h"

#include <stdio.h>

#include "builder/common/file_io.h"
#include "builder/common/system.h"

namespace {

// The first line, without its line end (LF or CR LF).
std::string FirstLine(const std::vector<uint8_t> &bytes) {
    std::string text(bytes.begin(), bytes.end());
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r')
        text.pop_back();
    return text;
}

bool ReadPasswordFile(const std::string &path, std::string &password, Failure &failure) {
    std::vector<uint8_t> bytes;
    if (path == "-") {
        uint8_t buffer[4096];
        size_t got;
        while ((got = fread(buffer, 1, sizeof buffer, stdin)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
    } else if (!ReadWholeFile(path, bytes, failure)) {
        return false;
    }
    password = FirstLine(bytes);
    if (password.empty())
        return Fail(failure, path == "-" ? "standard input" : path, "holds no password (its first line is empty)");
    return true;
}

bool AskPassword(bool confirm, std::string &password, Failure &failure) {
    std::string again;
    if (!ReadHiddenLine("Password: ", password))
        return Fail(failure, "--ask-password", "needs a terminal to ask on (give --password-file instead)");
    if (password.empty())
        return Fail(failure, "--ask-password", "no password typed");
    if (confirm && (!ReadHiddenLine("Password again: ", again) || again != password))
        return Fail(failure, "--ask-password", "the two passwords typed differ");
    return true;
}

}  // namespace

bool ResolvePassword(CommandLine &line, bool confirm, Failure &failure) {
    if (!line.passwordFile.empty())
        return ReadPasswordFile(line.passwordFile, line.password, failure);
    if (line.askPassword)
        return AskPassword(confirm, line.password, failure);
    return true;
}
