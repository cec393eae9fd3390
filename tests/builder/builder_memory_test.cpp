// mksfx's memory stays bounded whatever the size of its input: a sparse file
// of 2 GiB stored from a folder and copied from a ZIP, and one of 600 MiB on
// the deflate paths (folder, --recompress, a sparse tar through libarchive)
// and spread over a spanned set, which `mksfx info` then walks.
// Each build runs as a child whose peak resident size wait4 reports; each
// image is then read back by the builder's own reader, which decodes the
// member and checks its size and CRC. Slow (about a minute): label "memory".
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "base/crc32.h"
#include "builder/input/zip_reader.h"
#include "builder_fixture.h"

using namespace buildertest;

extern char **environ;

namespace {

const long long kBoundKiB = 256 * 1024;   // 256 MiB
const unsigned long long kLarge = 2ull << 30;
const unsigned long long kMedium = 600ull << 20;

// Runs mksfx with `arguments`; answers its exit status and its peak
// resident size in KiB.
int RunMksfx(const std::vector<std::string> &arguments, long long &peakKiB) {
    std::vector<char *> argv;
    std::string program = MKSFX_PATH;
    argv.push_back(&program[0]);
    std::vector<std::string> copies = arguments;
    for (std::string &argument : copies)
        argv.push_back(&argument[0]);
    argv.push_back(nullptr);
#ifdef __SANITIZE_ADDRESS__
    // AddressSanitizer keeps up to 256 MiB of freed blocks back from reuse,
    // which would count against the bound; a small quarantine still finds
    // what it is for. Read by the child only: ours has started already.
    static const std::string options =
        std::string(getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "") + ":quarantine_size_mb=16";
    setenv("ASAN_OPTIONS", options.c_str(), 1);
#endif
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    struct rusage usage = {};
    if (wait4(child, &status, 0, &usage) != child)
        return -1;
    peakKiB = usage.ru_maxrss;   // KiB on Linux
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The CRC-32 of `size` zero bytes.
uint32_t ZerosCrc(unsigned long long size) {
    std::vector<uint8_t> zeros(1 << 20, 0);
    uint32_t crc = 0;
    for (unsigned long long done = 0; done < size; done += zeros.size())
        crc = Crc32Of(zeros.data(), (size_t)std::min<unsigned long long>(zeros.size(), size - done), crc);
    return crc;
}

// A folder under the build tree (these files are large: not in /tmp),
// removed with everything in it when the object goes.
struct ScratchFolder {
    std::string path;
    ScratchFolder() {
        path = std::string(MEMORY_SCRATCH) + "/memory-" + std::to_string(getpid());
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string operator/(const std::string &name) const { return path + "/" + name; }
};

// A folder holding one sparse file of zeros, big.bin.
std::string SparseTree(const ScratchFolder &scratch, const std::string &name, unsigned long long size) {
    std::string folder = scratch / name;
    std::filesystem::create_directories(folder);
    WriteText(folder + "/big.bin", "");
    std::filesystem::resize_file(folder + "/big.bin", size);
    return folder;
}

// The image holds big.bin alone, of `size` zero bytes, decoding to its CRC.
void ExpectImageHoldsZeros(const std::string &image, unsigned long long size, uint32_t crc, const std::string &label) {
    ZipArchive archive;
    std::vector<std::string> warnings;
    Failure failure;
    ASSERT_TRUE(ReadZipFile(image, ZipReadOptions(), archive, warnings, failure)) << label << ": " << failure.cause;
    ASSERT_EQ(archive.members.size(), 1u) << label;
    EXPECT_EQ(archive.members[0].name, "big.bin") << label;
    EXPECT_EQ(archive.members[0].uncompressedSize, size) << label;
    EXPECT_EQ(archive.members[0].crc, crc) << label;
    EXPECT_TRUE(warnings.empty()) << label;
}

struct Build {
    const char *label;
    std::vector<std::string> options;   // before the input
    std::string input;                  // in the scratch folder
    std::string image;
    unsigned long long size;
};

void RunBuilds(const ScratchFolder &scratch, const std::vector<Build> &builds, uint32_t crc) {
    for (const Build &build : builds) {
        std::vector<std::string> arguments = {"-q", "--stub", TestStub()};
        arguments.insert(arguments.end(), build.options.begin(), build.options.end());
        arguments.push_back(scratch / build.input);
        arguments.push_back("-o");
        arguments.push_back(scratch / build.image);
        long long peak = 0;
        ASSERT_EQ(RunMksfx(arguments, peak), 0) << build.label;
        EXPECT_LT(peak, kBoundKiB) << build.label << ": peak " << peak << " KiB";
        ExpectImageHoldsZeros(scratch / build.image, build.size, crc, build.label);
    }
}

TEST(Memory, StaysBoundedForA2GiBMemberStoredAndCopied) {
    REQUIRE_STUB();
    ScratchFolder scratch;
    SparseTree(scratch, "large", kLarge);
    // The stored image (2 GiB on disk) is the ZIP input of the copy.
    RunBuilds(scratch,
              {{"folder, stored", {"-0"}, "large", "stored.exe", kLarge},
               {"ZIP, member copied", {}, "stored.exe", "copied.exe", kLarge}},
              ZerosCrc(kLarge));
}

TEST(Memory, StaysBoundedOnTheDeflatePaths) {
    REQUIRE_STUB();
    REQUIRE_TOOL("tar");
    ScratchFolder scratch;
    std::string tree = SparseTree(scratch, "medium", kMedium);
    ASSERT_EQ(Shell("tar -C " + Quote(tree) + " -cSf " + Quote(scratch / "medium.tar") + " big.bin").status, 0);
    RunBuilds(scratch,
              {{"folder, deflated", {"-1"}, "medium", "deflated.exe", kMedium},
               {"folder, stored (the next input)", {"-0"}, "medium", "stored.exe", kMedium},
               {"ZIP, --recompress", {"-1", "--recompress"}, "stored.exe", "recompressed.exe", kMedium},
               {"sparse tar through libarchive", {"-1"}, "medium.tar", "tar.exe", kMedium}},
              ZerosCrc(kMedium));
    // A spanned set of the stored member, then `mksfx info` over it: the
    // stub's own walk decodes the member across the volumes and checks its
    // CRC, with only the image's head held.
    std::vector<std::vector<std::string>> runs = {
        {"-q", "--stub", TestStub(), "-0", "--span", "200m", tree, "-o", scratch / "SETUP.EXE"},
        {"info", scratch / "disk1/SETUP.EXE"}};
    for (const std::vector<std::string> &arguments : runs) {
        long long peak = 0;
        ASSERT_EQ(RunMksfx(arguments, peak), 0) << arguments.back();
        EXPECT_LT(peak, kBoundKiB) << arguments[0] << ": peak " << peak << " KiB";
    }
}

}  // namespace
