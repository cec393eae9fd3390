// Spanned sets written by mksfx --span and read back by the program from
// drive A:, with the disks fed in as a user would at each prompt: start-up
// reads its TextBlock from disk 1, the pass walks every volume, and what comes
// out equals the source folder.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "app/main_sequence.h"
#include "archive/extraction_pass.h"
#include "archive/zip_format.h"
#include "base/byte_order.h"
#include "image/config_record.h"
#include "tests/builder/builder_fixture.h"
#include "tests/support/test_support.h"

namespace fs = std::filesystem;
using buildertest::Quote;

namespace {

const uint32_t kSpanningSignature = kDescriptorSignature;
const uint32_t kRefillSize = 2048;
const uint32_t kStubAlignment = 0x200;

// Where the program stands when a volume runs out.
enum EndKind {
    kAtRecord,     // a signature is due and no byte is left
    kAfterSkip,    // a signature is due after bytes passed over (the padding of a .EXE disk 1)
    kAtRefill,     // a refill is due and no byte is left
    kInsideData,   // a refill of stored data gets part of what it asked for
    kInsideDeflatedData,
};

struct Volume {
    std::string bytes;
    size_t start = 0;   // where the archive starts in the file
};

struct Placed {
    std::string name;
    size_t header = 0;   // offset of the local signature
    size_t data = 0;     // offset of the data, after any encryption header
};

// Follows the program's reads over the volumes, 2048-byte refills included,
// and answers how each volume but the last is met at its end; `placed`
// collects the members of the first volume.
std::set<EndKind> VolumeEnds(const std::vector<Volume> &volumes, std::vector<Placed> *placed = nullptr) {
    std::set<EndKind> ends;
    size_t v = 0, p = volumes[0].start;
    bool skipped = false;
    auto left = [&] { return volumes[v].bytes.size() - p; };
    auto at = [&](size_t offset) { return (const uint8_t *)volumes[v].bytes.data() + p + offset; };
    auto nextVolume = [&] {
        skipped = false;
        p = 0;
        return ++v < volumes.size();
    };
    for (;;) {
        if (left() < 4) {
            ends.insert(left() == 0 && !skipped ? kAtRecord : kAfterSkip);
            if (!nextVolume())
                break;
            continue;
        }
        uint32_t signature = ReadLe32(at(0));
        p += 4;
        if (signature == kCentralSignature)
            break;
        if (signature != kLocalSignature) {
            if (signature != kSpanningSignature)
                skipped = true;
            continue;
        }
        uint16_t flags = ReadLe16(at(2)), method = ReadLe16(at(4));
        uint32_t size = ReadLe32(at(14));
        uint16_t nameLength = ReadLe16(at(22)), extraLength = ReadLe16(at(24));
        std::string name((const char *)at(26), nameLength);
        size_t header = p - 4;
        p += 26 + nameLength + extraLength;
        if (flags & 1) {
            p += 12;
            size -= 12;
        }
        if (placed && v == 0)
            placed->push_back({name, header, p});
        while (size > 0) {
            uint32_t want = std::min(size, kRefillSize);
            uint32_t got = (uint32_t)std::min<size_t>(want, left());
            p += got;
            size -= got;
            if (got == want)
                continue;
            ends.insert(got == 0 ? kAtRefill : method == 8 ? kInsideDeflatedData : kInsideData);
            if (!nextVolume())
                return ends;
            if (got == 0) {
                got = (uint32_t)std::min<size_t>(want, left());
                p += got;
                size -= got;
            }
        }
        if (flags & 8)
            p += 16;
    }
    return ends;
}

// The paths whose presence or content differ, one a line.
std::string Differences(const std::map<std::string, std::string> &got,
                        const std::map<std::string, std::string> &wanted) {
    std::string text;
    for (const auto &entry : wanted) {
        auto found = got.find(entry.first);
        if (found == got.end())
            text += "missing " + entry.first + "\n";
        else if (found->second != entry.second)
            text += "differs " + entry.first + "\n";
    }
    for (const auto &entry : got)
        if (!wanted.count(entry.first))
            text += "extra " + entry.first + "\n";
    return text;
}

std::string Noise(size_t n, uint32_t seed) {
    std::string bytes(n, '\0');
    for (char &byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = (char)(seed >> 23);
    }
    return bytes;
}

// Sorted by name this is also the order of the members: a small file, a
// large stored one that runs over several disks, deflated text of some 3 KB,
// an empty file, an empty folder.
void MakeSource(const std::string &root) {
    fs::create_directories(root + "/docs/deep");
    fs::create_directories(root + "/empty");
    testsupport::WriteFile(root + "/a.txt", "alpha\n");
    testsupport::WriteFile(root + "/big.bin", Noise(12000, 7));
    std::string text, noise = Noise(1600, 9);
    for (int i = 0; i < 400; i++) {
        char line[32];
        snprintf(line, sizeof line, "entry %d: %02x%02x%02x%02x\n", i, noise[4 * i] & 0xFF, noise[4 * i + 1] & 0xFF,
                 noise[4 * i + 2] & 0xFF, noise[4 * i + 3] & 0xFF);
        text += line;
    }
    testsupport::WriteFile(root + "/docs/notes.txt", text);
    testsupport::WriteFile(root + "/docs/zero.dat", "");
    testsupport::WriteFile(root + "/docs/deep/noise.bin", Noise(3000, 8));
    testsupport::WriteFile(root + "/z.txt", "omega\n");
}

struct SetCase {
    const char *name;
    bool exeVolumes;
    EndKind wanted;         // how one of the volumes must end
    const char *password;   // "" for none
    const char *declined;   // a file already at the destination, kept with No; "" for none
};

void PrintTo(const SetCase &c, std::ostream *out) {
    *out << c.name;
}

const SetCase kSetCases[] = {
    {"zip_volumes_end_at_a_record", false, kAtRecord, "", ""},
    {"zip_volumes_end_at_a_refill", false, kAtRefill, "", ""},
    {"zip_volumes_end_inside_data", false, kInsideData, "", ""},
    {"zip_volumes_end_inside_deflated_data", false, kInsideDeflatedData, "", ""},
    {"exe_volumes_end_at_a_record", true, kAtRecord, "", ""},
    {"exe_volumes_end_at_a_refill", true, kAtRefill, "", ""},
    {"exe_volumes_end_inside_data", true, kInsideData, "", ""},
    {"encrypted_members_over_zip_volumes", false, kInsideData, "secret", ""},
    {"declined_member_runs_on_to_later_disks", true, kAtRefill, "", "big.bin"},
};

class SpannedSet : public testing::TestWithParam<SetCase> {
protected:
    void SetUp() override {
        memset((void *)&ctx, 0, sizeof ctx);
        root_ = testsupport::MakeTempFolder("spanned-set");
        hostsim::Reset(root_);
        source_ = root_ + "/source";
        MakeSource(source_);
        stub_ = root_ + "/stub.exe";
        buildertest::WriteBytes(stub_, buildertest::SyntheticStub(kStubAlignment, 0x1000, 2, 0x400));
    }
    void TearDown() override {
        free(ctx.startupPrompt);
        testsupport::ReleaseMachine(root_);
    }

    // Writes the set into its own folder; answers the folder.
    std::string Build(uint32_t diskSize) {
        const SetCase &c = GetParam();
        std::string folder = root_ + "/set" + std::to_string(diskSize);
        fs::create_directories(folder);
        std::string options = "--stub " + Quote(stub_) + " --folder 'C:\\OUT' --span " + std::to_string(diskSize);
        if (c.exeVolumes)
            options += " --exe-volumes";
        if (*c.password)
            options += " --password " + Quote(c.password);
        buildertest::CommandResult built =
            buildertest::Mksfx(options + " " + Quote(source_) + " -o " + Quote(folder + "/SETUP.EXE"));
        EXPECT_EQ(built.status, 0) << built.err;
        return folder;
    }

    std::vector<Volume> Volumes(const std::string &folder) {
        bool exe = GetParam().exeVolumes;
        std::vector<Volume> volumes;
        for (int disk = 1; fs::exists(folder + "/disk" + std::to_string(disk)); disk++) {
            Volume volume;
            volume.bytes = testsupport::ReadFile(folder + "/disk" + std::to_string(disk) + (exe ? "/SETUP.EXE" : "/SETUP.ZIP"));
            if (disk == 1 && exe)
                volume.start = buildertest::ViewImage(folder + "/disk1/SETUP.EXE").Field(kArchiveOffsetOffset);
            volumes.push_back(volume);
        }
        return volumes;
    }

    // Disk sizes to try for the case. .ZIP volumes: disk 1 holds the
    // self-extractor, whose size does not depend on the disk size, and then
    // the archive from offset 0, so the first cut can be put where it is
    // wanted. .EXE volumes end on the stub's file alignment: every multiple.
    std::vector<uint32_t> CandidateSizes() {
        const SetCase &c = GetParam();
        std::vector<uint32_t> sizes;
        if (c.exeVolumes) {
            for (uint32_t size = 5 * kStubAlignment; size <= 32 * kStubAlignment; size += kStubAlignment)
                sizes.push_back(size);
            return sizes;
        }
        std::string whole = Build(1 << 20);
        std::vector<Placed> placed;
        VolumeEnds(Volumes(whole), &placed);
        size_t image = fs::file_size(whole + "/disk1/SETUP.EXE");
        for (const Placed &member : placed) {
            if (c.wanted == kAtRecord && member.name == "docs/deep/noise.bin")
                sizes.push_back((uint32_t)(image + member.header));
            if (c.wanted == kAtRefill && member.name == "big.bin")
                sizes.push_back((uint32_t)(image + member.data + kRefillSize));
            if (c.wanted == kInsideData && member.name == "big.bin")
                sizes.push_back((uint32_t)(image + member.data + 1000));
            if (c.wanted == kInsideDeflatedData && member.name == "docs/notes.txt")
                sizes.push_back((uint32_t)(image + member.data + 700));
        }
        return sizes;
    }

    // Puts disk n of the set into drive A:, labelled as mksfx asks.
    void Insert(const std::string &set, int n) {
        char label[16];
        snprintf(label, sizeof label, "PKBACK# %03d", n);
        hostsim::Sim().driveFolders['A'] = set + "/disk" + std::to_string(n);
        hostsim::Sim().volumeLabels['A'] = label;
    }

    std::string root_, source_, stub_;
};

TEST_P(SpannedSet, ExtractsTheSourceFromTheDisksInTurn) {
    const SetCase &c = GetParam();
    std::string set;
    size_t disks = 0;
    for (uint32_t size : CandidateSizes()) {
        std::string folder = Build(size);
        std::vector<Volume> volumes = Volumes(folder);
        if (VolumeEnds(volumes).count(c.wanted)) {
            set = folder;
            disks = volumes.size();
            break;
        }
    }
    ASSERT_FALSE(set.empty()) << "no disk size gives a volume with the wanted end";

    ConfigRecord record;
    buildertest::ImageView image = buildertest::ViewImage(set + "/disk1/SETUP.EXE");
    memcpy(&record, image.bytes.data() + image.record, sizeof record);
    configRecord = record;
    hostsim::Sim().modulePath = "A:\\SETUP.EXE";
    Insert(set, 1);
    fs::create_directories(root_ + "/C/OUT");
    if (*c.declined)
        testsupport::WriteFile(root_ + "/C/OUT/" + c.declined, "keep me");
    std::vector<std::string> prompts, questions;
    hostsim::Sim().boxHandler = [&](const hostsim::BoxRecord &box) {
        const std::string insert = "Please insert disk ";
        if (box.text.rfind(insert, 0) == 0) {
            prompts.push_back(box.text);
            Insert(set, atoi(box.text.c_str() + insert.size()));
            return IDOK;
        }
        questions.push_back(box.text);
        return box.text.rfind("File ", 0) == 0 ? IDNO : IDCANCEL;
    };
    int code = -1;
    std::string destination;
    hostsim::Sim().dialogHook = [&] {
        destination = testsupport::Utf8(ctx.destinationFolder);
        if (*c.password) {
            ctx.passwordText = (char *)GlobalLock(GlobalAlloc(GPTR, 16));
            lstrcpyA(ctx.passwordText, c.password);
        }
        code = ExtractionPass();
    };
    WCHAR arguments[] = u"";
    EXPECT_EQ(MainSequence((HINSTANCE)(uintptr_t)0x400000, arguments), 0);

    EXPECT_EQ(destination, "C:\\OUT");   // the TextBlock, read from disk 1
    EXPECT_EQ(code, 0) << (hostsim::Sim().transcript.empty() ? "" : hostsim::Sim().transcript.back().text);
    std::vector<std::string> expected;
    for (size_t disk = 2; disk <= disks; disk++)
        expected.push_back("Please insert disk " + std::to_string(disk) + " in drive A:.");
    EXPECT_EQ(prompts, expected);
    if (*c.declined)
        expected = {std::string("File C:\\OUT\\") + c.declined + " already exists.  Overwrite file?"};
    else
        expected.clear();
    EXPECT_EQ(questions, expected);

    std::map<std::string, std::string> wanted = buildertest::TreeListing(source_, true);
    if (*c.declined)
        wanted[c.declined] = "keep me";
    EXPECT_EQ(Differences(buildertest::TreeListing(root_ + "/C/OUT", true), wanted), "");
}

INSTANTIATE_TEST_SUITE_P(Sets, SpannedSet, testing::ValuesIn(kSetCases),
                         [](const testing::TestParamInfo<SetCase> &info) { return std::string(info.param.name); });

}  // namespace
