// Spanned sets: the volumes keep to the disk size, the spanning signature
// opens the archive, the stub's walk crosses every volume with each member
// intact, and the .ZIP volumes join into an ordinary archive.
#include <stdio.h>
#include <string.h>

#include <filesystem>

#include "base/crc32.h"
#include "archive/volume_names.h"
#include "builder/common/file_io.h"
#include "builder/output/image_build.h"
#include "builder/output/pe_format.h"
#include "builder/output/spanned_set.h"
#include "builder/info/stub_run.h"
#include "builder/output/volume_names.h"
#include "archive/zip_format.h"
#include "builder_fixture.h"
#include "base/byte_order.h"
#include "image/config_record.h"

using namespace buildertest;
namespace fs = std::filesystem;

namespace {

// A tree whose members straddle volumes, archived by Python's zipfile
// through a pipe so that every member has a data descriptor.
std::string DescriptorZip(const TempFolder &temp, std::string &source) {
    source = SourceTreeIn(temp);
    std::vector<uint8_t> noise(90000);
    for (size_t i = 0; i < noise.size(); i++)
        noise[i] = (uint8_t)((i * 2654435761u) >> 13);
    WriteBytes(source + "/docs/more noise.bin", noise);
    const char script[] =
        "import os, sys, zipfile\n"
        "z = zipfile.ZipFile(sys.stdout.buffer, 'w', zipfile.ZIP_DEFLATED)\n"
        "for root, dirs, files in os.walk('.'):\n"
        "    for name in sorted(dirs) + sorted(files):\n"
        "        path = os.path.join(root, name)\n"
        "        z.write(path, os.path.relpath(path, '.'))\n"
        "z.close()\n";
    WriteText(temp / "make.py", script);
    std::string zip = temp / "in.zip";
    EXPECT_EQ(Shell("cd " + Quote(source) + " && python3 ../make.py | cat > " + Quote(zip)).status, 0);
    return zip;
}

struct SpanCase {
    const char *name;
    bool exeVolumes;
    uint32_t diskSize;
};

const SpanCase kSpanCases[] = {
    {"zip_volumes", false, 40 * 1024},
    {"zip_volumes_odd_size", false, 33333},
    {"exe_volumes", true, 40 * 1024},
    {"exe_volumes_odd_size", true, 33333},
    {"one_disk", false, 1024 * 1024},
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SpanCase &c, std::ostream *out) {
    *out << c.name;
}

class SpannedSet : public testing::TestWithParam<SpanCase> {};

TEST_P(SpannedSet, KeepsToTheDiskSizeAndWalksEveryVolume) {
    REQUIRE_STUB();
    REQUIRE_TOOL("python3");
    const SpanCase &c = GetParam();
    TempFolder temp;
    std::string source, zip = DescriptorZip(temp, source);
    fs::create_directories(temp / "set");
    std::string options = "--stub " + Quote(TestStub()) + " --span " + std::to_string(c.diskSize) +
                          (c.exeVolumes ? " --exe-volumes" : "");
    CommandResult built = Mksfx(options + " " + Quote(zip) + " -o " + Quote(temp / "set/setup.exe"));
    ASSERT_EQ(built.status, 0) << built.err;

    unsigned disks = 0;
    while (fs::exists(temp / ("set/disk" + std::to_string(disks + 1))))
        disks++;
    ASSERT_GE(disks, 1u);
    EXPECT_EQ(disks > 1, c.diskSize < 200000);
    for (unsigned disk = 1; disk <= disks; disk++) {
        char label[40];
        snprintf(label, sizeof label, "disk%u: label \"PKBACK# %03u\"", disk, disk);
        EXPECT_NE(built.out.find(label), std::string::npos) << built.out;
        uintmax_t used = 0;
        for (const auto &file : fs::directory_iterator(temp / ("set/disk" + std::to_string(disk))))
            used += fs::file_size(file.path());
        EXPECT_LE(used, c.diskSize) << "disk " << disk;
    }

    std::string image = temp / "set/disk1/setup.exe";
    ImageView view = ViewImage(image);
    uint32_t flags = view.Field(kFlagsOffset);
    EXPECT_TRUE(flags & kFlagSpanned);
    EXPECT_EQ((flags & kFlagExeVolumes) != 0, c.exeVolumes);
    EXPECT_EQ(view.Last(kSectionPointerToRawData) + view.Last(kSectionSizeOfRawData), view.bytes.size());
    std::vector<uint8_t> first = c.exeVolumes ? view.bytes : ReadBytes(temp / "set/disk1/setup.ZIP");
    size_t start = c.exeVolumes ? view.Field(kArchiveOffsetOffset) : 0;
    ASSERT_GE(first.size(), start + 4);
    EXPECT_EQ(ReadLe32(first.data() + start), (uint32_t)kDescriptorSignature);

    CommandResult info = Mksfx("info " + Quote(image));
    EXPECT_EQ(info.status, 0) << info.out << info.err;
    EXPECT_NE(info.out.find("more noise.bin  intact"), std::string::npos) << info.out;

    if (!c.exeVolumes && Shell("command -v zip && command -v unzip").status == 0) {
        // Info-ZIP names a split archive's parts .z01, .z02 ... and the last .zip.
        for (unsigned disk = 1; disk <= disks; disk++) {
            char part[16];
            snprintf(part, sizeof part, disk == disks ? "j.zip" : "j.z%02u", disk);
            fs::copy_file(temp / ("set/disk" + std::to_string(disk) + "/setup.ZIP"), temp / part);
        }
        CommandResult joined = Shell("cd " + Quote(temp.path) + " && zip -q -s 0 j.zip --out joined.zip");
        ASSERT_EQ(joined.status, 0) << joined.out << joined.err;
        CommandResult tested = Shell("unzip -t " + Quote(temp / "joined.zip"));
        EXPECT_EQ(tested.status, 0) << tested.out << tested.err;
        ASSERT_EQ(Shell("unzip -q " + Quote(temp / "joined.zip") + " -d " + Quote(temp / "x")).status, 0);
        EXPECT_EQ(TreeListing(temp / "x", true), TreeListing(source, true));
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, SpannedSet, testing::ValuesIn(kSpanCases),
                         [](const testing::TestParamInfo<SpanCase> &info) { return std::string(info.param.name); });

// Every volume capacity in a range, for both kinds of first volume: members
// with descriptors, an encrypted one and a folder with data are never cut
// where the stub's reads cannot follow, and a first volume inside the
// self-extractor (padded with zeros to its section's end) is never cut short
// inside data.
TEST(SpanLayout, HoldsForEveryCapacity) {
    ZipArchive archive;
    const struct {
        const char *name;
        size_t size;
        uint16_t flags;
    } members[] = {{"a.txt", 1, kFlagBitDescriptor},  {"dir/", 0, 0},
                   {"b.txt", 17, kFlagBitDescriptor}, {"sealed.bin", 32, kFlagBitEncrypted | kFlagBitDescriptor},
                   {"c.txt", 40, 0},                  {"d.txt", 100, kFlagBitDescriptor}};
    for (const auto &m : members) {
        ZipMember member;
        member.name = m.name;
        member.flags = m.flags;
        for (size_t i = 0; i < m.size; i++)
            member.data.push_back((uint8_t)(i * 7 + m.size));
        member.uncompressedSize = (uint32_t)m.size;
        member.crc = Crc32Of(member.data.data(), member.data.size());
        archive.members.push_back(member);
    }
    // A stub and the image options of a set; the stub's own start-up and
    // walk read the volumes from the disks in turn.
    TempFolder temp;
    WriteBytes(temp / "stub.exe", SyntheticStub(0x200, 0x1000, 2, 0x400));
    PreparedStub stub;
    Failure failure;
    ASSERT_TRUE(PrepareStub(temp / "stub.exe", stub, failure)) << failure.cause;
    for (uint32_t capacity = 400; capacity <= 1100; capacity++) {
        for (bool insideImage : {false, true}) {
            ImageOptions options;
            options.stubCrc = false;
            options.flags = insideImage ? (uint32_t)kFlagExeVolumes : 0u;
            RecordValues values;
            ASSERT_TRUE(BaseRecordValues(stub, archive, options, values, failure));
            values.flags |= kFlagSpanned;
            std::vector<uint8_t> textBlock = TextBlockBytes(options);
            values.archiveOffset = ArchiveOffsetFor(stub, textBlock);
            values.textBlockOffset = AppendedSectionStart(stub.bytes, stub.pe);
            SpanPlan plan;
            ASSERT_TRUE(PlanSpannedArchive(archive, capacity, insideImage ? values.archiveOffset : 0, capacity, plan,
                                           failure))
                << capacity << ": " << failure.cause;
            std::vector<std::vector<uint8_t>> parts(plan.sizes.size());
            ASSERT_TRUE(StreamSpannedArchive(archive, plan,
                                             [&](size_t volume, const uint8_t *bytes, size_t n) {
                                                 parts[volume].insert(parts[volume].end(), bytes, bytes + n);
                                                 return true;
                                             },
                                             failure))
                << capacity << ": " << failure.cause;
            std::vector<uint8_t> image =
                AssembleImage(stub, textBlock, insideImage ? parts[0] : std::vector<uint8_t>(), values, false);
            // The first volume ends where its disk does, zeros after the data.
            if (insideImage)
                image.resize(values.archiveOffset + capacity, 0);
            std::string set = temp / ("set" + std::to_string(capacity) + (insideImage ? "x" : "z"));
            for (size_t i = 0; i < parts.size(); i++) {
                ASSERT_EQ(parts[i].size(), plan.sizes[i]);
                ASSERT_LE(parts[i].size(), capacity);
                std::string disk = set + "/disk" + std::to_string(i + 1);
                fs::create_directories(disk);
                if (i > 0 || !insideImage)
                    WriteBytes(disk + (insideImage ? "/SETUP.EXE" : "/SETUP.ZIP"), parts[i]);
            }
            WriteBytes(set + "/disk1/SETUP.EXE", image);
            StubRun run;
            ASSERT_TRUE(RunStub(set + "/disk1/SETUP.EXE", image, stub.recordOffset, "", run, failure)) << failure.cause;
            EXPECT_TRUE(run.reachedEnd) << capacity << " " << insideImage << ": " << run.startupStop << run.passStop;
            ASSERT_EQ(run.members.size(), archive.members.size()) << capacity << " " << insideImage;
            for (const WalkedMember &member : run.members)
                EXPECT_NE(member.outcome, kWalkStopped) << capacity << " " << insideImage << " " << member.name;
            fs::remove_all(set);
        }
    }
}

}  // namespace

namespace {

// The image keeps the name given; a second, smaller set over the first
// replaces it: the earlier set's volumes on further disks go (their folders
// too when that empties them, never anyone else's files) and no staging
// folder is left.
TEST(SpannedOutput, KeepsTheNameAndReplacesAnEarlierSet) {
    REQUIRE_STUB();
    REQUIRE_TOOL("python3");
    TempFolder temp;
    std::string source, zip = DescriptorZip(temp, source);
    auto build = [&](const char *size) {
        CommandResult built = Mksfx("--stub " + Quote(TestStub()) + " --quiet --span " + size + " " + Quote(zip) +
                                    " -o " + Quote(temp / "set/Setup.exe"));
        EXPECT_EQ(built.status, 0) << built.err;
        EXPECT_EQ(built.out, "");
    };
    auto disks = [&] {
        unsigned count = 0;
        while (fs::exists(temp / ("set/disk" + std::to_string(count + 1))))
            count++;
        return count;
    };
    fs::create_directories(temp / "set");
    build("20k");
    unsigned many = disks();
    ASSERT_GE(many, 4u);
    EXPECT_TRUE(fs::exists(temp / "set/disk1/Setup.exe"));
    EXPECT_TRUE(fs::exists(temp / "set/disk1/Setup.ZIP"));
    EXPECT_TRUE(fs::exists(temp / "set/disk2/Setup.ZIP"));
    WriteText(temp / "set/disk3/notes.txt", "the user's own");

    build("100k");
    unsigned few = disks();
    ASSERT_LT(few, 3u);
    EXPECT_TRUE(fs::exists(temp / "set/disk3/notes.txt"));
    EXPECT_FALSE(fs::exists(temp / "set/disk3/Setup.ZIP"));
    for (unsigned disk = 4; disk <= many; disk++)
        EXPECT_FALSE(fs::exists(temp / ("set/disk" + std::to_string(disk)))) << disk;
    for (const auto &entry : fs::directory_iterator(temp / "set"))
        EXPECT_EQ(entry.path().filename().string().rfind(".mksfx", 0), std::string::npos) << entry.path();
    CommandResult info = Mksfx("info " + Quote(temp / "set/disk1/Setup.exe"));
    EXPECT_EQ(info.status, 0) << info.out << info.err;
}

// The volumes mksfx writes are the ones the stub opens (its own cases in
// tests/archive/spanned_test.cpp), and the labels it writes are the ones
// the stub reads back as the disk's number.
TEST(VolumeNames, AreTheStubsNames) {
    struct Case {
        const char *image, *zipVolume, *exeVolume;
    } cases[] = {
        {"out/SETUP.EXE", "SETUP.ZIP", "SETUP.EXE"},
        {"out/setup", "setup.ZIP", "setup.EXE"},
        {"v1.2/archive.tar.exe", "archive.tar.ZIP", "archive.tar.EXE"},
        {"out/.exe", ".ZIP", ".EXE"},   // only an extension: nothing of it is kept
    };
    for (const Case &c : cases) {
        EXPECT_EQ(VolumeFileName(VolumeStem(c.image), false), c.zipVolume) << c.image;
        EXPECT_EQ(VolumeFileName(VolumeStem(c.image), true), c.exeVolume) << c.image;
    }
    for (unsigned disk : {1u, 7u, 999u, 1000u, 65535u})
        EXPECT_EQ(DiskNumberOfLabel(VolumeLabel(disk).c_str()), (int)disk) << VolumeLabel(disk);
}

}  // namespace
