// The simulated machine: the state behind every call, and the mapping of
// Windows paths onto the host folder that stands for the drives.
#include <fstream>
#include <sstream>
#include <string_view>

#include "platform/host/host_control.h"
#include "platform/host/host_files.h"
#include "platform/host/sim_internal.h"

namespace hostsim {

State &Sim() {
    static State state;
    return state;
}

static void MakeHostFolders(const std::string &path) {
    std::string partial;
    std::stringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/')) {
        partial += part + "/";
        if (!part.empty())
            HostMakeFolder(partial);
    }
}

void Reset(const std::string &root) {
    Sim() = State();
    Sim().root = root;
    MakeHostFolders(root + "/C");
}

static std::string UpperAscii(std::string s) {
    for (char &c : s)
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 32);
    return s;
}

// Windows opens a device for these names, whatever the extension.
static bool IsDeviceName(std::string_view component) {
    std::string_view base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    if (base.size() > 7)
        return false;
    char upper[8] = {};
    for (size_t i = 0; i < base.size(); i++)
        upper[i] = base[i] >= 'a' && base[i] <= 'z' ? (char)(base[i] - 32) : base[i];
    std::string_view name(upper, base.size());
    static const char *const names[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char *device : names)
        if (name == device)
            return true;
    return name.size() == 4 && (name.substr(0, 3) == "COM" || name.substr(0, 3) == "LPT") && name[3] >= '0' &&
           name[3] <= '9';
}

// Calls visit with each part of text between separators, empty ones too. A
// plain scan: paths are mapped on every file call, so this stays cheap.
template <typename Visit>
static void ForEachPart(const std::string &text, char separator, Visit visit) {
    size_t start = 0;
    for (;;) {
        size_t end = text.find(separator, start);
        if (end == std::string::npos) {
            visit(std::string_view(text).substr(start));
            return;
        }
        visit(std::string_view(text).substr(start, end - start));
        start = end + 1;
    }
}

std::string AbsoluteWindowsPath(const std::string &input) {
    std::string path = input;
    for (char &c : path)
        if (c == '/')
            c = '\\';
    const std::string &cwd = Sim().currentDirectory;
    std::string prefix;   // "C:" or "\\server\share"
    std::string rest;
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        if (path.size() >= 3 && (path[2] == '?' || path[2] == '.'))
            return "";   // device namespace
        size_t server = path.find('\\', 2);
        if (server == std::string::npos)
            return "";
        size_t share = path.find('\\', server + 1);
        prefix = path.substr(0, share);
        rest = share == std::string::npos ? "" : path.substr(share);
    } else if (path.size() >= 2 && path[1] == ':') {
        prefix = UpperAscii(path.substr(0, 2));
        rest = path.substr(2);
        if (rest.empty() || rest[0] != '\\') {
            std::string base = UpperAscii(cwd.substr(0, 2)) == prefix ? cwd.substr(2) : "\\";
            rest = base + "\\" + rest;
        }
    } else if (!path.empty() && path[0] == '\\') {
        prefix = cwd.substr(0, 2);
        rest = path;
    } else {
        prefix = cwd.substr(0, 2);
        rest = cwd.substr(2) + "\\" + path;
    }
    std::vector<std::string_view> parts;
    ForEachPart(rest, '\\', [&](std::string_view part) {
        if (part.empty() || part == ".")
            return;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            return;
        }
        parts.push_back(part);
    });
    std::string result = prefix;
    for (std::string_view p : parts) {
        result += '\\';
        result += p;
    }
    if (parts.empty())
        result += "\\";
    return result;
}

std::string DriveFolder(char letter) {
    auto found = Sim().driveFolders.find(letter);
    if (found != Sim().driveFolders.end())
        return found->second;
    return Sim().root + "/" + std::string(1, letter);
}

std::string HostPath(const std::string &windowsPath) {
    std::string absolute = AbsoluteWindowsPath(windowsPath);
    if (absolute.empty())
        return "";
    std::string host;
    size_t start;
    if (absolute[0] == '\\') {
        size_t server = absolute.find('\\', 2);
        size_t share = absolute.find('\\', server + 1);
        host = Sim().root + "/UNC/" + absolute.substr(2, server - 2) + "/" +
               absolute.substr(server + 1, share == std::string::npos ? std::string::npos : share - server - 1);
        start = share == std::string::npos ? absolute.size() : share;
    } else {
        char letter = absolute[0];
        if (letter < 'A' || letter > 'Z')
            return "";
        host = DriveFolder(letter);
        start = 2;
    }
    bool refused = false;
    ForEachPart(absolute.substr(start), '\\', [&](std::string_view part) {
        if (part.empty() || refused)
            return;
        if (IsDeviceName(part) || part.find(':') != std::string_view::npos)
            refused = true;
        host += '/';
        host += part;
    });
    return refused ? "" : host;
}

std::string ReadHostFile(const std::string &hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteHostFile(const std::string &hostPath, const std::string &bytes) {
    MakeHostFolders(hostPath.substr(0, hostPath.rfind('/')));
    std::ofstream out(hostPath, std::ios::binary);
    out << bytes;
}

bool Fails(FaultOp op) {
    State &s = Sim();
    s.calls[op]++;
    return s.failAt[op] != 0 && s.calls[op] == s.failAt[op];
}

size_t CopyOut(const std::string &value, char *buffer, size_t size) {
    if (value.size() + 1 > size)
        return value.size() + 1;
    value.copy(buffer, value.size());
    buffer[value.size()] = 0;
    return value.size();
}

size_t CopyOutWide(const std::string &value, char16_t *buffer, size_t size) {
    std::u16string wide = Utf8ToUtf16(value);
    if (wide.size() + 1 > size)
        return wide.size() + 1;
    wide.copy(buffer, wide.size());
    buffer[wide.size()] = 0;
    return wide.size();
}

}  // namespace hostsim
