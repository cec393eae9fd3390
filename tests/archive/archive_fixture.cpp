#include "tests/archive/archive_fixture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "archive/extraction_pass.h"
#include "base/crc32.h"
#include "image/config_record.h"

namespace fs = std::filesystem;

namespace archivetest {

static void Put16(std::string &out, uint32_t v) {
    out += (char)(v & 0xFF);
    out += (char)((v >> 8) & 0xFF);
}

static void Put32(std::string &out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

std::string LittleEndian(uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; i++)
        out += (char)(value >> (8 * i));
    return out;
}

std::string ExtraField(uint16_t id, const std::string &body, int declaredSize) {
    return LittleEndian(id, 2) + LittleEndian(declaredSize < 0 ? body.size() : (size_t)declaredSize, 2) + body;
}

std::string NtfsField(uint64_t modified) {
    std::string times = LittleEndian(modified, 8) + LittleEndian(modified + 1, 8) + LittleEndian(modified + 2, 8);
    return ExtraField(0x000A, LittleEndian(0, 4) + LittleEndian(1, 2) + LittleEndian(24, 2) + times);
}

std::string UnixField(uint8_t flags, const std::vector<int64_t> &times) {
    std::string body(1, (char)flags);
    for (int64_t t : times)
        body += LittleEndian((uint64_t)t, 4);
    return ExtraField(0x5455, body);
}

ZipMember Member(const std::string &name, const std::string &data, uint16_t method) {
    ZipMember m;
    m.name = name;
    m.data = data;
    m.method = method;
    return m;
}

static std::u16string WideOf(UINT codePage, const std::string &text) {
    std::u16string wide(text.size(), u'\0');
    if (!text.empty())
        wide.resize(MultiByteToWideChar(codePage, 0, text.data(), (int)text.size(), &wide[0], (int)wide.size()));
    return wide;
}

std::u16string Wide(const std::string &utf8) {
    return WideOf(CP_UTF8, utf8);
}

std::u16string WideFromAnsi(const std::string &ansi) {
    return WideOf(CP_ACP, ansi);
}

std::string Utf8(const WCHAR *text) {
    int length = lstrlenW(text);
    std::string out(4 * length, '\0');
    if (length > 0)
        out.resize(WideCharToMultiByte(CP_UTF8, 0, text, length, &out[0], (int)out.size(), 0, 0));
    return out;
}

void UseMemberName(const std::u16string &name, bool unicode) {
    name.copy(ctx.memberName, name.size());
    ctx.memberName[name.size()] = 0;
    ctx.unicodeName = unicode;
}

uint32_t Crc(const std::string &data) {
    return Crc32Of((const uint8_t *)data.data(), data.size());
}

std::string Deflate(const std::string &data) {
    z_stream z;
    memset(&z, 0, sizeof z);
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()) + 16, '\0');
    z.next_in = (Bytef *)data.data();
    z.avail_in = (uInt)data.size();
    z.next_out = (Bytef *)&out[0];
    z.avail_out = (uInt)out.size();
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// From "version needed" to the extra field length: the same in local
// headers and central records.
static void PutSharedFields(std::string &out, const ZipMember &m, uint32_t crc, uint32_t compressed,
                            uint32_t uncompressed) {
    Put16(out, 20);
    Put16(out, m.flags | (m.descriptor ? 8 : 0));
    Put16(out, m.method);
    Put16(out, m.time);
    Put16(out, m.date);
    Put32(out, crc);
    Put32(out, compressed);
    Put32(out, uncompressed);
    Put16(out, (uint32_t)m.name.size());
    Put16(out, (uint32_t)m.extra.size());
}

ZipLayout BuildZip(const std::vector<ZipMember> &members, const std::string &endComment, bool withCentral) {
    ZipLayout layout;
    std::string &out = layout.bytes;
    struct Written {
        uint32_t crc, compressed, uncompressed, offset;
    };
    std::vector<Written> written;
    for (const ZipMember &m : members) {
        std::string payload = m.payloadOverride;
        if (payload.empty())
            payload = m.method == 8 ? Deflate(m.data) : m.data;
        Written w;
        w.crc = m.crcOverride >= 0 ? (uint32_t)m.crcOverride : Crc(m.data);
        w.compressed = m.compressedOverride >= 0 ? (uint32_t)m.compressedOverride : (uint32_t)payload.size();
        w.uncompressed = m.uncompressedOverride >= 0 ? (uint32_t)m.uncompressedOverride : (uint32_t)m.data.size();
        w.offset = (uint32_t)out.size();
        layout.localStarts.push_back(out.size());
        out += std::string("PK\x03\x04", 4);
        PutSharedFields(out, m, w.crc, w.compressed, w.uncompressed);
        layout.nameStarts.push_back(out.size());
        out += m.name + m.extra;
        layout.dataStarts.push_back(out.size());
        out += payload;
        if (m.descriptor) {
            out += std::string("PK\x07\x08", 4);
            Put32(out, w.crc);
            Put32(out, w.compressed);
            Put32(out, w.uncompressed);
        }
        written.push_back(w);
    }
    size_t centralStart = out.size();
    if (withCentral) {
        for (size_t i = 0; i < members.size(); i++) {
            const ZipMember &m = members[i];
            const Written &w = written[i];
            layout.centralStarts.push_back(out.size());
            out += std::string("PK\x01\x02", 4);
            Put16(out, 20);   // version made by
            PutSharedFields(out, m, w.crc, w.compressed, w.uncompressed);
            Put16(out, 0);
            Put16(out, 0);
            Put16(out, 0);
            Put32(out, 0);
            Put32(out, w.offset);
            out += m.name + m.extra;
        }
    }
    layout.endStart = out.size();
    out += std::string("PK\x05\x06", 4);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, (uint32_t)layout.centralStarts.size());
    Put16(out, (uint32_t)layout.centralStarts.size());
    Put32(out, (uint32_t)(layout.endStart - centralStart));
    Put32(out, (uint32_t)centralStart);
    Put16(out, (uint32_t)endComment.size());
    out += endComment;
    return layout;
}

int64_t DosToUnix(uint16_t date, uint16_t time) {
    struct tm t;
    memset(&t, 0, sizeof t);
    t.tm_year = 80 + (date >> 9);
    t.tm_mon = ((date >> 5) & 15) - 1;
    t.tm_mday = date & 31;
    t.tm_hour = time >> 11;
    t.tm_min = (time >> 5) & 63;
    t.tm_sec = (time & 31) * 2;
    return (int64_t)timegm(&t);
}

bool Exists(const std::string &hostPath) {
    struct stat info;
    return lstat(hostPath.c_str(), &info) == 0;
}

int64_t ModificationTime(const std::string &hostPath) {
    struct stat info;
    if (stat(hostPath.c_str(), &info) != 0)
        return -1;
    return (int64_t)info.st_mtime;
}

std::vector<std::string> ListTree(const std::string &root) {
    std::vector<std::string> entries;
    if (!fs::exists(root))
        return entries;
    for (const auto &entry : fs::recursive_directory_iterator(root))
        entries.push_back(fs::relative(entry.path(), root).generic_string() + (entry.is_directory() ? "/" : ""));
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string TreeDifferences(const std::string &ours, const std::string &reference) {
    std::ostringstream report;
    std::vector<std::string> a = ListTree(ours), b = ListTree(reference);
    if (a != b) {
        report << "entries differ:";
        for (const std::string &e : a)
            if (!std::binary_search(b.begin(), b.end(), e))
                report << " +" << e;
        for (const std::string &e : b)
            if (!std::binary_search(a.begin(), a.end(), e))
                report << " -" << e;
        report << "\n";
    }
    for (const std::string &e : a) {
        if (e.back() == '/' || !std::binary_search(b.begin(), b.end(), e))
            continue;
        std::string x = ours + "/" + e, y = reference + "/" + e;
        if (testsupport::ReadFile(x) != testsupport::ReadFile(y))
            report << "content differs: " << e << "\n";
        if (ModificationTime(x) != ModificationTime(y))
            report << "time differs: " << e << " " << ModificationTime(x) << " vs " << ModificationTime(y) << "\n";
    }
    return report.str();
}

static void SetTime(const std::string &path, int64_t seconds) {
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = (time_t)seconds;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void MakeSourceTree(const std::string &folder) {
    uint32_t seed = 12345;
    auto random = [&](size_t n) {
        std::string s(n, '\0');
        for (char &c : s) {
            seed = seed * 1103515245u + 12345u;
            c = (char)(seed >> 16);
        }
        return s;
    };
    std::string text;
    for (int i = 0; text.size() < 300000; i++)
        text += "line " + std::to_string(i) + ": the quick brown fox jumps over the lazy dog\n";
    std::string longName = "long/" + std::string(195, 'n');
    std::vector<std::pair<std::string, std::string>> files = {
        {"empty.txt", ""},
        {"exact2048.bin", random(2048)},
        {"text/big.txt", text},
        {"bin/random.bin", random(100000)},
        {"deep/a/b/c/small.txt", "small\n"},
        {"with space/file name.txt", "spaces\n"},
        {longName, "two hundred\n"},
    };
    int64_t when = 1700000000;   // an even second
    for (const auto &f : files) {
        testsupport::WriteFile(folder + "/" + f.first, f.second);
        SetTime(folder + "/" + f.first, when += 3602);
    }
    fs::create_directories(folder + "/emptydir");
}

void ExtractionTest::SetUp() {
    root_ = testsupport::FreshMachine("archive");
    scratch_ = root_ + "/scratch";
    fs::create_directories(scratch_);
    memcpy(ctx.localSignature, "PK\x03\x04", 5);
    memcpy(ctx.centralSignature, "PK\x01\x02", 5);
    memcpy(ctx.endSignature, "PK\x05\x06", 5);
    memcpy(ctx.singleVolumeMarker, "PK00", 5);
    memcpy(ctx.spanningSignature, "PK\x07\x08", 5);
    testsupport::SetImagePath("C:\\DL\\TEST.EXE");
    testsupport::SetDestination("C:\\OUT");
    ctx.mainDialog = (HWND)(uintptr_t)0x1234;
    configRecord.TotalSize = 0;
}

void ExtractionTest::TearDown() {
    configRecord.ArchiveOffset = 0;
    configRecord.TotalSize = 0;
    testsupport::ReleaseMachine(root_);
}

void ExtractionTest::InstallImage(const std::string &archive, uint32_t prefix) {
    std::string junk(prefix, 'M');
    testsupport::WriteFile(root_ + "/C/DL/TEST.EXE", junk + archive);
    configRecord.ArchiveOffset = prefix;
    if (ctx.archiveFile > 0)
        _lclose(ctx.archiveFile);
    ctx.archiveFile = _lopen("C:\\DL\\TEST.EXE", OF_READ | OF_SHARE_DENY_WRITE);
    ASSERT_GT(ctx.archiveFile, 0);
}

int ExtractionTest::Pass() {
    return ExtractionPass();
}

std::string ExtractionTest::Host(const std::string &windowsPath) const {
    return hostsim::HostPath(windowsPath);
}

std::string ExtractionTest::LastBox() const {
    const auto &t = hostsim::Sim().transcript;
    return t.empty() ? "" : t.back().text;
}

size_t ExtractionTest::BoxCount() const {
    return hostsim::Sim().transcript.size();
}

}  // namespace archivetest
