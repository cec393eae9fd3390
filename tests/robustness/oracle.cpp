#include "tests/robustness/oracle.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "archive/member_names.h"
#include "image/resources.h"
#include "platform/host/host_control.h"

namespace fs = std::filesystem;

namespace robust {

namespace {

uint32_t Le16(const std::string &s, size_t at) {
    return (uint8_t)s[at] | (uint32_t)(uint8_t)s[at + 1] << 8;
}

uint32_t Le32(const std::string &s, size_t at) {
    return Le16(s, at) | Le16(s, at + 2) << 16;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string ReadWhole(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Record sizes with their signatures, as the ZIP format lays them out.
enum : uint64_t {
    kLocalFixed = 30,
    kCentralFixed = 46,
    kEndFixed = 22,
    kDescriptor = 16,
    kLongestName = 200,
};

}  // namespace

ReferenceWalk WalkArchiveBytes(const std::string &a) {
    ReferenceWalk walk;
    const uint64_t size = a.size();
    uint64_t at = 0;
    while (at + 4 <= size) {
        std::string signature = a.substr(at, 4);
        if (signature == std::string("PK\x03\x04", 4)) {
            if (at + kLocalFixed > size)
                return walk;
            uint32_t flags = Le16(a, at + 6), time = Le16(a, at + 10), date = Le16(a, at + 12), crc = Le32(a, at + 14),
                     compressed = Le32(a, at + 18), nameLength = Le16(a, at + 26),
                     extra = Le16(a, at + 28);
            if (nameLength == 0 || nameLength > kLongestName || at + kLocalFixed + nameLength > size)
                return walk;
            std::string raw = a.substr(at + kLocalFixed, nameLength);
            WalkedMember m;
            m.name = raw.substr(0, raw.find('\0'));
            m.utf8 = (flags & 0x800) != 0;
            m.folder = IsSeparator(raw.back());
            m.crc = crc;
            m.extra = a.substr(std::min(at + kLocalFixed + nameLength, size), extra);
            m.date = (uint16_t)date;
            m.time = (uint16_t)time;
            at += kLocalFixed + nameLength + extra;
            // Every member's declared data is stepped over, a folder's too.
            at += compressed;
            if (flags & 8)
                at += kDescriptor;
            walk.members.push_back(m);
        } else if (signature == std::string("PK\x01\x02", 4)) {
            if (at + kCentralFixed > size || Le16(a, at + 28) > kLongestName)
                return walk;
            at += kCentralFixed + Le16(a, at + 28) + Le16(a, at + 30) + Le16(a, at + 32);
        } else if (signature == std::string("PK\x05\x06", 4)) {
            walk.reachedEnd = at + kEndFixed <= size;
            return walk;
        } else if (signature == "PK00") {
            at += 4;
        } else {
            return walk;
        }
    }
    return walk;
}

namespace {

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
int64_t DaysSince1970(int64_t year, unsigned month, unsigned day) {
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

const uint64_t kTicks = 10000000;                // 100-ns ticks per second
const int64_t kFileTimeEpoch = 11644473600;      // seconds from 1601 to 1970

// The body of the first field with this id among those that lie wholly
// inside area; false when there is none.
bool FieldBody(const std::string &area, uint32_t id, std::string &body) {
    for (size_t at = 0; at + 4 <= area.size();) {
        size_t length = Le16(area, at + 2);
        if (at + 4 + length > area.size())
            return false;
        if (Le16(area, at) == id) {
            body = area.substr(at + 4, length);
            return true;
        }
        at += 4 + length;
    }
    return false;
}

bool NtfsTime(const std::string &area, uint64_t &value) {
    std::string body;
    if (!FieldBody(area, 0x000A, body))
        return false;
    for (size_t at = 4; at + 4 <= body.size();) {
        size_t length = Le16(body, at + 2);
        if (at + 4 + length > body.size())
            return false;
        if (Le16(body, at) == 1) {
            if (length != 24)
                return false;
            value = Le32(body, at + 4) | (uint64_t)Le32(body, at + 8) << 32;
            return value != 0 && value < (1ull << 63);
        }
        at += 4 + length;
    }
    return false;
}

bool UnixTime(const std::string &area, uint64_t &value) {
    std::string body;
    if (!FieldBody(area, 0x5455, body) || body.size() < 5 || !(body[0] & 1))
        return false;
    value = (uint64_t)((int64_t)(int32_t)Le32(body, 1) + kFileTimeEpoch) * kTicks;
    return true;
}

uint64_t DosTime(uint16_t date, uint16_t time, long biasSeconds) {
    unsigned year = 1980 + (date >> 9), month = (date >> 5) & 15, day = date & 31;
    month = std::max(1u, std::min(12u, month));
    static const unsigned lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    unsigned last = lengths[month - 1] + (month == 2 && leap);
    day = std::max(1u, std::min(last, day));
    unsigned hours = std::min(23u, (unsigned)time >> 11), minutes = std::min(59u, (time >> 5) & 63u),
             seconds = 2 * std::min(29u, time & 31u);
    int64_t since = DaysSince1970(year, month, day) * 86400 + hours * 3600 + minutes * 60 + seconds + biasSeconds;
    return (uint64_t)(since + kFileTimeEpoch) * kTicks;
}

}  // namespace

uint64_t ExpectedFileTime(const WalkedMember &member, long biasSeconds) {
    std::string kept = member.extra.substr(0, 1024);
    uint64_t value = 0;
    if (NtfsTime(kept, value) || UnixTime(kept, value))
        return value;
    return DosTime(member.date, member.time, biasSeconds);
}

std::string OutputName(const std::string &name) {
    std::string out;
    for (char c : name) {
        if (IsSeparator(c)) {
            if (!out.empty() && out.back() != '/')
                out += '/';
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() == '/')
        out.pop_back();
    return out;
}

std::string HostName(const WalkedMember &member) {
    if (member.utf8 || member.name.empty())
        return member.name;
    std::u16string wide(member.name.size(), u'\0');
    MultiByteToWideChar(CP_ACP, 0, member.name.data(), (int)member.name.size(), &wide[0], (int)wide.size());
    std::string text(4 * wide.size(), '\0');
    text.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), (int)wide.size(), &text[0], (int)text.size(), 0, 0));
    return text;
}

std::string SuccessDifferences(const ReferenceWalk &walk, const std::string &destination) {
    std::ostringstream report;
    if (!walk.reachedEnd)
        report << "the reference walk does not reach the end record\n";
    std::map<std::string, uint32_t> files;
    std::map<std::string, uint64_t> times;
    std::set<std::string> folders;
    auto addParents = [&](const std::string &path) {
        for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
            folders.insert(path.substr(0, slash));
    };
    for (const WalkedMember &m : walk.members) {
        std::string path = OutputName(HostName(m));
        if (path.empty())
            continue;
        addParents(path);
        if (m.folder) {
            folders.insert(path);
        } else {
            files[path] = m.crc;
            times[path] = ExpectedFileTime(m, hostsim::Sim().timeZoneBias);
        }
    }
    // The last time each file was given.
    std::error_code error;
    std::string base = fs::weakly_canonical(destination, error).generic_string() + "/";
    std::map<std::string, hostsim::TimeRecord> stamps;
    for (const hostsim::TimeRecord &record : hostsim::Sim().timesSet)
        if (record.path.rfind(base, 0) == 0)
            stamps[record.path.substr(base.size())] = record;
    for (const auto &t : times) {
        auto stamp = stamps.find(t.first);
        if (stamp == stamps.end())
            report << "file " << t.first << " was given no time\n";
        else if (stamp->second.created != t.second || stamp->second.accessed != t.second ||
                 stamp->second.written != t.second)
            report << "file " << t.first << " was given the times " << stamp->second.created << ", "
                   << stamp->second.accessed << ", " << stamp->second.written << ", not " << t.second << "\n";
    }
    std::map<std::string, std::string> found = SnapshotTree(destination, {});
    for (const auto &entry : found) {
        bool isFolder = entry.first.back() == '/';
        std::string path = isFolder ? entry.first.substr(0, entry.first.size() - 1) : entry.first;
        if (isFolder) {
            if (!folders.count(path))
                report << "unexpected folder " << path << "\n";
        } else if (!files.count(path)) {
            report << "unexpected file " << path << "\n";
        } else if (Crc32(entry.second) != files[path]) {
            report << "file " << path << " has CRC " << std::hex << Crc32(entry.second) << ", header "
                   << files[path] << std::dec << "\n";
        }
    }
    for (const auto &f : files)
        if (!found.count(f.first))
            report << "missing file " << f.first << "\n";
    for (const std::string &f : folders)
        if (!found.count(f + "/") && !files.count(f))
            report << "missing folder " << f << "\n";
    return report.str();
}

std::map<std::string, std::string> SnapshotTree(const std::string &root, const std::vector<std::string> &skip) {
    std::map<std::string, std::string> tree;
    std::error_code error;
    if (!fs::exists(root, error))
        return tree;
    for (auto it = fs::recursive_directory_iterator(root, error); it != fs::recursive_directory_iterator();
         it.increment(error)) {
        // The iterator's paths all begin with root and a '/'.
        std::string relative = it->path().generic_string().substr(root.size() + 1);
        bool skipped = false;
        for (const std::string &s : skip)
            if (relative == s || relative.rfind(s + "/", 0) == 0)
                skipped = true;
        if (skipped) {
            if (it->is_directory())
                it.disable_recursion_pending();
            continue;
        }
        if (it->is_directory())
            tree[relative + "/"] = "";
        else
            tree[relative] = ReadWhole(it->path());
    }
    return tree;
}

std::string SnapshotDifferences(const std::map<std::string, std::string> &before,
                                const std::map<std::string, std::string> &after) {
    std::ostringstream report;
    for (const auto &b : before) {
        auto a = after.find(b.first);
        if (a == after.end())
            report << "removed " << b.first << "\n";
        else if (a->second != b.second)
            report << "changed " << b.first << "\n";
    }
    for (const auto &a : after)
        if (!before.count(a.first))
            report << "added " << a.first << "\n";
    return report.str();
}

bool MatchesFormat(const char *format, const char *text) {
    if (*format == 0)
        return *text == 0;
    if (format[0] == '%' && format[1] == 's') {
        for (const char *t = text;; t++) {
            if (MatchesFormat(format + 2, t))
                return true;
            if (*t == 0)
                return false;
        }
    }
    if (format[0] == '%' && format[1] == 'd') {
        const char *t = text + (*text == '-');
        if (!(*t >= '0' && *t <= '9'))
            return false;
        while (*t >= '0' && *t <= '9')
            t++;
        return MatchesFormat(format + 2, t);
    }
    if (strncmp(format, "%08lx", 5) == 0) {
        for (int i = 0; i < 8; i++)
            if (!strchr("0123456789abcdef", text[i]) || text[i] == 0)
                return false;
        return MatchesFormat(format + 5, text + 8);
    }
    return *format == *text && MatchesFormat(format + 1, text + 1);
}

std::string MessageKind(const std::string &text) {
    const char *t = text.c_str();
    std::string readError = std::string(LookupString(kStrErrorReading)) + " <%d>";
    if (MatchesFormat(readError.c_str(), t))
        return "read error " + text.substr(text.rfind('<') + 1, text.size() - text.rfind('<') - 2);
    static const int ending[] = {kStrNoPassword,         kStrIncorrectPassword, kStrCannotCreateOutput,
                                 kStrUnsupportedMethod,  kStrBadCrc,            kStrInvalidHeader,
                                 kStrCouldNotCreateFolder, kStrErrorWriting,    kStrIoError,
                                 kStrInvalidDrive,       kStrNamesTooLong};
    for (int index : ending)
        if (MatchesFormat(LookupString(index), t))
            return "string " + std::to_string(index);
    if (MatchesFormat(kUnsafeNameText, t))
        return "unsafe name";
    if (MatchesFormat(kPathTooLongText, t))
        return "path too long";
    return "unknown: " + text;
}

uint32_t Crc32(const std::string &data) {
    return (uint32_t)crc32(0, (const Bytef *)data.data(), (uInt)data.size());
}

std::string EncryptPayload(const std::string &password, const std::string &data, uint8_t check, uint32_t seed) {
    const z_crc_t *table = get_crc_table();
    uint32_t keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
    auto update = [&](uint8_t plain) {
        keys[0] = (uint32_t)table[(keys[0] ^ plain) & 0xFF] ^ (keys[0] >> 8);
        keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
        keys[2] = (uint32_t)table[(keys[2] ^ (keys[1] >> 24)) & 0xFF] ^ (keys[2] >> 8);
    };
    for (char c : password)
        update((uint8_t)c);
    std::string plain;
    for (int i = 0; i < 11; i++) {
        seed = seed * 1103515245u + 12345u;
        plain += (char)(seed >> 16);
    }
    plain += (char)check;
    plain += data;
    std::string out;
    for (char c : plain) {
        uint32_t t = (keys[2] & 0xFFFF) | 2;
        out += (char)((uint8_t)c ^ (uint8_t)((t * (t ^ 1)) >> 8));
        update((uint8_t)c);
    }
    return out;
}

}  // namespace robust
