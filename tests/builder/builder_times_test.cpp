// File times through the builder: folder input stores each file's time as
// an extended timestamp, so the stub restores it to the second in any time
// zone; mksfx info shows the time the stub will set and its source; and
// folders that MS-DOS tools marked by their attribute alone get the
// trailing '/' that makes the stub create them as folders.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <time.h>

#include "base/error_exit.h"
#include "archive/zip_format.h"
#include "builder/input/folder_input.h"
#include "builder/info/member_time_text.h"
#include "builder/input/zip_reader.h"
#include "builder/output/zip_writer.h"
#include "builder_fixture.h"
#include "base/byte_order.h"
#include "image/config_record.h"
#include "tests/archive/archive_fixture.h"

using namespace buildertest;
using archivetest::ExtractionTest;

namespace {

const long kBias = 5 * 3600;   // the extracting machine's zone is UTC-5

void SetModificationTime(const std::string &path, int64_t seconds) {
    struct timespec times[2] = {{(time_t)seconds, 0}, {(time_t)seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// The builder runs in UTC; the stub in another zone.
class BuilderTimesTest : public ExtractionTest {
protected:
    void SetUp() override {
        ExtractionTest::SetUp();
        const char *zone = getenv("TZ");
        savedZone_ = zone ? zone : "";
        hadZone_ = zone != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
        hostsim::Sim().timeZoneBias = kBias;
    }
    void TearDown() override {
        if (hadZone_)
            setenv("TZ", savedZone_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        ExtractionTest::TearDown();
    }

    // Extracts the archive of a finished image with the stub's pass.
    void ExtractImage(const std::string &image) {
        std::vector<uint8_t> bytes = ReadBytes(image);
        uint32_t start = ViewImage(image).Field(kArchiveOffsetOffset);
        InstallImage(std::string(bytes.begin() + start, bytes.end()));
        ASSERT_EQ(Pass(), kGuardDone) << LastBox();
    }

    std::string savedZone_;
    bool hadZone_ = false;
};

// Odd seconds, a time before MS-DOS's 1980, the last second of 2037: exact.
// A time past 2038 has no extended timestamp and keeps the MS-DOS time:
// local, in even seconds.
TEST_F(BuilderTimesTest, FolderInputRoundTripsExactTimes) {
    struct Case {
        const char *name;
        int64_t stamped;
        int64_t restored;
    } cases[] = {
        {"odd.txt", 1700000001, 1700000001},              // 2023-11-14 22:13:21
        {"deep/1979.txt", 283910401, 283910401},          // 1978-12-31 00:00:01
        {"last2037.txt", 2145916799, 2145916799},         // 2037-12-31 23:59:59
        {"2040.txt", 2209075201, 2209075200 + kBias},     // 2040-01-02 00:00:01, as local time
    };
    std::string source = scratch_ + "/tree";
    for (const Case &c : cases) {
        testsupport::WriteFile(source + "/" + c.name, c.name);
        SetModificationTime(source + "/" + c.name, c.stamped);
    }
    ZipArchive archive;
    Failure failure;
    Spool spool;
    ASSERT_TRUE(OpenSpool(scratch_, spool, failure)) << failure.cause;
    ASSERT_TRUE(ReadFolderArchive(source, "", nullptr, spool, archive, failure)) << failure.cause;
    WrittenArchive written;
    ASSERT_TRUE(WriteArchive(archive, 0, written, failure)) << failure.cause;
    CloseSpool(spool);
    InstallImage(std::string(written.bytes.begin(), written.bytes.end()));
    ASSERT_EQ(Pass(), kGuardDone) << LastBox();
    for (const Case &c : cases)
        EXPECT_EQ(archivetest::ModificationTime(root_ + "/C/OUT/" + c.name), c.restored) << c.name;
}

std::vector<uint8_t> Bytes(const std::string &text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(MemberTimeText, NamesTheTimeAndItsSource) {
    const uint64_t ntfs = (1717245296ull + 11644473600ull) * 10000000ull + 7890123;
    struct Case {
        std::string extra;
        uint16_t date, time;
        const char *text;
    } cases[] = {
        {archivetest::NtfsField(ntfs), 0x5A4E, 0x7D1C, "2024-06-01 12:34:56.7890123 UTC (NTFS)"},
        {archivetest::UnixField(1, {1700000001}), 0x5A4E, 0x7D1C, "2023-11-14 22:13:21 UTC (Unix)"},
        {archivetest::UnixField(1, {INT32_MIN}), 0x5A4E, 0x7D1C, "1901-12-13 20:45:52 UTC (Unix)"},
        {archivetest::ExtraField(0x5855, archivetest::LittleEndian(5, 4) + archivetest::LittleEndian(1700000001, 4)),
         0x5A4E, 0x7D1C, "2023-11-14 22:13:21 UTC (Info-ZIP Unix)"},
        {"", 0x5A4E, 0x7D1C, "2025-02-14 15:40:56 local (DOS)"},
        {archivetest::UnixField(1), 0x5A00, 0xFFFF, "2025-01-01 23:59:58 local (DOS)"},   // clamped
    };
    for (const Case &c : cases)
        EXPECT_EQ(MemberTimeText(Bytes(c.extra), c.date, c.time), c.text);
}

// info shows, for each file, the time the stub will set.
TEST_F(BuilderTimesTest, InfoShowsTheTimeOfAFolderInputFile) {
    REQUIRE_STUB();
    TempFolder temp;
    testsupport::WriteFile(temp / "src/odd.txt", "odd");
    SetModificationTime(temp / "src/odd.txt", 1700000001);
    std::string options = "--stub " + Quote(TestStub()) + " " + Quote(temp / "src");
    ASSERT_EQ(Mksfx(options + " -o " + Quote(temp / "out.exe")).status, 0);
    CommandResult info = Mksfx("info " + Quote(temp / "out.exe"));
    EXPECT_EQ(info.status, 0) << info.out << info.err;
    size_t line = info.out.find(" odd.txt ");
    ASSERT_NE(line, std::string::npos) << info.out;
    size_t start = info.out.rfind('\n', line) + 1;
    EXPECT_NE(info.out.substr(start, line - start).find("2023-11-14 22:13:21 UTC (Unix)"), std::string::npos)
        << info.out;
}

// An archive as MS-DOS tools write it: host 0, folders marked by the
// directory attribute (0x10) alone.
const char kDosZip[] =
    "import sys, zipfile\n"
    "z = zipfile.ZipFile(sys.argv[1], 'w')\n"
    "for name, attributes, data in eval(sys.argv[2]):\n"
    "    info = zipfile.ZipInfo(name, (1994, 5, 6, 7, 8, 10))\n"
    "    info.create_system = 0\n"
    "    info.external_attr = attributes\n"
    "    z.writestr(info, data)\n"
    "z.close()\n";

struct DosMember {
    const char *name;
    uint32_t attributes;
    const char *data;
    const char *stored;   // the name in the image
};

const DosMember kDosMembers[] = {
    {"DEF", 0x10, "", "DEF/"},
    {"DEF/FOO.TXT", 0x20, "foo", "DEF/FOO.TXT"},
    {"HID", 0x12, "", "HID/"},                 // hidden folder
    {"SUB/", 0x10, "", "SUB/"},                // already marked
    {"EMPTY.TXT", 0x20, "", "EMPTY.TXT"},      // an empty file
    {"DATA", 0x10, "abc", "DATA"},             // the attribute on a file with data: a file
};

std::string MakeDosZip(const TempFolder &temp, const std::string &zip, const std::vector<DosMember> &members) {
    std::string list = "[";
    for (const DosMember &m : members)
        list += "('" + std::string(m.name) + "', " + std::to_string(m.attributes) + ", b'" + m.data + "'),";
    list += "]";
    WriteText(temp / "dos_zip.py", kDosZip);
    CommandResult made = Shell("python3 " + Quote(temp / "dos_zip.py") + " " + Quote(zip) + " " + Quote(list));
    EXPECT_EQ(made.status, 0) << made.err;
    return zip;
}

TEST_F(BuilderTimesTest, FoldersMarkedByTheirAttributeGetTheirSlash) {
    REQUIRE_STUB();
    REQUIRE_TOOL("python3");
    TempFolder temp;
    std::vector<DosMember> members(std::begin(kDosMembers), std::end(kDosMembers));
    std::string zip = MakeDosZip(temp, temp / "dos.zip", members);
    std::string image = temp / "out.exe";
    CommandResult built = Mksfx("--stub " + Quote(TestStub()) + " " + Quote(zip) + " -o " + Quote(image));
    ASSERT_EQ(built.status, 0) << built.err;
    for (const char *renamed : {"'DEF'", "'HID'"})
        EXPECT_NE(built.err.find(std::string(renamed) + " is a folder by its attribute alone"), std::string::npos)
            << built.err;

    ZipArchive stored;
    Failure failure;
    std::vector<std::string> warnings;
    ASSERT_TRUE(ReadZipArchive(ReadBytes(image), image, ZipReadOptions(), stored, warnings, failure)) << failure.cause;
    ASSERT_EQ(stored.members.size(), members.size());
    for (size_t i = 0; i < members.size(); i++)
        EXPECT_EQ(stored.members[i].name, members[i].stored);
    EXPECT_EQ(Mksfx("info " + Quote(image)).status, 0);

    ExtractImage(image);
    EXPECT_EQ(archivetest::ListTree(root_ + "/C/OUT"),
              (std::vector<std::string>{"DATA", "DEF/", "DEF/FOO.TXT", "EMPTY.TXT", "HID/", "SUB/"}));
    EXPECT_EQ(testsupport::ReadFile(root_ + "/C/OUT/DATA"), "abc");

    // An image whose member has the attribute without the '/': info says
    // the stub makes a file of it.
    ImageView view = ViewImage(image);
    std::vector<uint8_t> bytes = view.bytes;
    uint32_t directory = ReadLe32(bytes.data() + view.Field(kEndRecordOffsetOffset) + kEndDirectoryOffset);
    size_t record = directory;
    for (size_t i = 0; i < members.size(); i++) {
        if (members[i].name == std::string("EMPTY.TXT"))
            bytes[record + kCentralExternalAttributes] = 0x10;
        record += kCentralHeaderSize + ReadLe16(bytes.data() + record + kCentralNameLength) +
                  ReadLe16(bytes.data() + record + kCentralExtraLength) +
                  ReadLe16(bytes.data() + record + kCentralCommentLength);
    }
    WriteBytes(temp / "patched.exe", bytes);
    CommandResult info = Mksfx("info " + Quote(temp / "patched.exe"));
    EXPECT_EQ(info.status, 1) << info.out;
    EXPECT_NE(info.err.find("'EMPTY.TXT' is a folder by its attribute alone"), std::string::npos) << info.err;
}

// The '/' may make a name longer than the stub takes.
TEST(FolderAttribute, NameThatTheSlashMakesTooLongIsRefused) {
    REQUIRE_STUB();
    REQUIRE_TOOL("python3");
    TempFolder temp;
    std::string name(200, 'D');
    std::string zip = MakeDosZip(temp, temp / "long.zip", {{name.c_str(), 0x10, "", ""}});
    CommandResult built = Mksfx("--stub " + Quote(TestStub()) + " " + Quote(zip) + " -o " + Quote(temp / "out.exe"));
    EXPECT_EQ(built.status, 1);
    EXPECT_NE(built.err.find("has a name of 201 bytes"), std::string::npos) << built.err;
    EXPECT_FALSE(Shell("test -e " + Quote(temp / "out.exe")).status == 0);
}

}  // namespace
