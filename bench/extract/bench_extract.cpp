// Extraction benchmark: a large many-file archive (built once with zip -6
// from system folders and cached in the build tree) extracted by the
// extraction pass on the simulated platform and, in the same rounds, by
// unzip, bsdtar and 7z, each into a fresh folder on the same file system.
// The tools take turns at going first. Every output is compared with
// unzip's; a time counts only when the trees are the same.
//
// usage: bench_extract [rounds] [--dest FOLDER] [--only TOOL,...] [folder...]
//   rounds   default 3
//   --dest   where the trees are written (default: the build tree's
//            bench-data/run); emptied at the start and at the end (on a disk
//            file system the run starts a minute after the last deletion)
//   --only   a subset of ours,unzip,bsdtar,7z (for profiling one of them)
//   folders  relative to /, default usr/include usr/share/doc usr/lib/python3
//
// Prints each tool's wall and CPU times (median and range over the rounds),
// each tool's time over unzip's in the same round (median and range), and
// last "time ratio: R", the median of ours over unzip.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "archive/extraction_pass.h"
#include "base/crc32.h"
#include "context/extraction_context.h"
#include "image/config_record.h"
#include "image/resources.h"
#include "platform/host/host_control.h"

static int Shell(const std::string &command) {
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

static bool FileExists(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

static bool Installed(const std::string &command) {
    return Shell("command -v " + command + " >/dev/null 2>&1") == 0;
}

static std::string Quote(const std::string &text) {
    return "'" + text + "'";
}

// The archive, cached: zip's exit code 18 only means that some entries (a
// dangling link) could not be read.
static std::string BuildArchive(const std::string &data, const std::vector<std::string> &folders) {
    std::string key;
    for (const std::string &f : folders)
        key += (key.empty() ? "" : "+") + f;
    for (char &c : key)
        if (c == '/')
            c = '_';
    std::string zip = data + "/" + key + ".zip";
    if (FileExists(zip))
        return zip;
    std::string command = "cd / && zip -q -6 -r " + Quote(zip + ".part");
    for (const std::string &f : folders)
        command += " " + Quote(f);
    printf("building %s ...\n", zip.c_str());
    fflush(stdout);
    int code = Shell(command + " 2>/dev/null");
    if ((code != 0 && code != 18) || Shell("mv " + Quote(zip + ".part") + " " + Quote(zip)) != 0) {
        fprintf(stderr, "zip failed (%d)\n", code);
        exit(1);
    }
    return zip;
}

// A fresh machine whose drive D holds the archive (the whole file is the
// archive, so the walk starts at offset 0) and whose drive C is an empty
// folder; buffers as start-up allocates them.
static void PrepareMachine(const std::string &root, const std::string &zip) {
    memset((void *)&ctx, 0, sizeof ctx);
    hostsim::Reset(root);
    std::string folder = zip.substr(0, zip.rfind('/'));
    hostsim::Sim().driveFolders['D'] = folder;
    ctx.messageBuffer = (char *)calloc(kMessageBufferSize, 1);
    ctx.inflateWindow = (uint8_t *)calloc(kWindowAllocation, 1);
    ctx.inputBuffer = (uint8_t *)calloc(kIoBufferAllocation, 1);
    ctx.outputBuffer = (uint8_t *)calloc(kIoBufferAllocation, 1);
    CrcBuildTable();
    ExpandResourceBlock();
    memcpy(ctx.localSignature, "PK\x03\x04", 5);
    memcpy(ctx.centralSignature, "PK\x01\x02", 5);
    memcpy(ctx.endSignature, "PK\x05\x06", 5);
    memcpy(ctx.singleVolumeMarker, "PK00", 5);
    memcpy(ctx.spanningSignature, "PK\x07\x08", 5);
    std::string imagePath = "D:\\" + zip.substr(zip.rfind('/') + 1);
    MultiByteToWideChar(CP_UTF8, 0, imagePath.c_str(), -1, ctx.imagePath, kPathBufferSize);
    MultiByteToWideChar(CP_UTF8, 0, "C:\\OUT", -1, ctx.destinationFolder, kPathBufferSize);
    ctx.mainDialog = (HWND)(uintptr_t)0x1234;
    ctx.meterShown = 1;
    configRecord.ArchiveOffset = 0;
    ctx.archiveFile = _lopen(imagePath.c_str(), OF_READ | OF_SHARE_DENY_WRITE);
}

static void ReleaseMachine() {
    if (ctx.archiveFile > 0)
        _lclose(ctx.archiveFile);
    free(ctx.messageBuffer);
    free(ctx.inflateWindow);
    free(ctx.inputBuffer);
    free(ctx.outputBuffer);
}

// ext4 passes over inodes freed in the last 60 seconds when it allocates new
// ones (longer while their table blocks are unwritten): creating thousands
// of files right after deleting thousands is several times slower than
// later. Deletions are written out and stamped, and a run waits until the
// last one is a minute old, so that every tool meets the file system in
// its ordinary state. tmpfs has no such wait.
enum { kDeletionSettleSeconds = 61 };

static void RemoveTrees(const std::string &folder, const std::string &stamp) {
    if (!FileExists(folder))
        return;
    Shell("rm -rf " + Quote(folder) + " && sync && touch " + Quote(stamp));
}

static void WaitAfterDeletion(const std::string &folder, const std::string &stamp) {
    struct statfs fs;
    struct stat info;
    if (statfs(folder.c_str(), &fs) != 0 || fs.f_type == TMPFS_MAGIC || stat(stamp.c_str(), &info) != 0)
        return;
    long age = (long)(time(nullptr) - info.st_mtime);
    if (age >= 0 && age < kDeletionSettleSeconds) {
        printf("waiting %ld s for the file system to settle after deleting earlier trees\n",
               kDeletionSettleSeconds - age);
        fflush(stdout);
        sleep((unsigned)(kDeletionSettleSeconds - age));
    }
}

struct Tool {
    std::string name;
    std::vector<double> wall;
    std::vector<double> cpu;
    std::string firstTree;   // the first round's output, compared at the end
};

static double CpuSeconds(int who) {
    rusage usage;
    getrusage(who, &usage);
    return (double)usage.ru_utime.tv_sec + (double)usage.ru_utime.tv_usec * 1e-6 + (double)usage.ru_stime.tv_sec +
           (double)usage.ru_stime.tv_usec * 1e-6;
}

static double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

static double Smallest(const std::vector<double> &values) {
    return *std::min_element(values.begin(), values.end());
}

static double Largest(const std::vector<double> &values) {
    return *std::max_element(values.begin(), values.end());
}

// Our extraction pass into folder (its tree lands in folder/C/OUT); false
// when the pass did not succeed.
static bool RunOurs(const std::string &folder, const std::string &zip, double *wall, double *cpu) {
    Shell("mkdir -p " + Quote(folder + "/C"));
    PrepareMachine(folder, zip);
    double cpuStart = CpuSeconds(RUSAGE_SELF);
    auto start = std::chrono::steady_clock::now();
    int code = ExtractionPass();
    *wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    *cpu = CpuSeconds(RUSAGE_SELF) - cpuStart;
    std::string box = hostsim::Sim().transcript.empty() ? "" : hostsim::Sim().transcript.back().text;
    ReleaseMachine();
    if (code != 0)
        fprintf(stderr, "extraction pass failed with code %d: %s\n", code, box.c_str());
    return code == 0;
}

static std::string ToolCommand(const std::string &tool, const std::string &zip, const std::string &folder) {
    if (tool == "unzip")
        return "unzip -q -o " + Quote(zip) + " -d " + Quote(folder);
    if (tool == "bsdtar")
        return "mkdir -p " + Quote(folder) + " && bsdtar -xf " + Quote(zip) + " -C " + Quote(folder);
    return "7z x -y -bso0 -bsp0 " + Quote("-o" + folder) + " " + Quote(zip);
}

static bool RunTool(const std::string &tool, const std::string &zip, const std::string &folder, double *wall,
                    double *cpu) {
    std::string command = ToolCommand(tool, zip, folder);
    double cpuStart = CpuSeconds(RUSAGE_CHILDREN);
    auto start = std::chrono::steady_clock::now();
    int code = Shell(command);
    *wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    *cpu = CpuSeconds(RUSAGE_CHILDREN) - cpuStart;
    if (code != 0)
        fprintf(stderr, "%s failed (%d)\n", command.c_str(), code);
    return code == 0;
}

int main(int argc, char **argv) {
    int rounds = 3;
    std::string dest = TARVEX_BINARY_DIR "/bench-data/run";
    std::vector<std::string> only;
    std::vector<std::string> folders;
    for (int i = 1; i < argc; i++) {
        std::string arg = argv[i];
        if (arg == "--dest" && i + 1 < argc) {
            dest = argv[++i];
        } else if (arg == "--only" && i + 1 < argc) {
            std::string list = argv[++i];
            for (size_t at = 0; at <= list.size();) {
                size_t comma = std::min(list.find(',', at), list.size());
                only.push_back(list.substr(at, comma - at));
                at = comma + 1;
            }
        } else if (i == 1 && atoi(arg.c_str()) > 0) {
            rounds = atoi(arg.c_str());
        } else {
            folders.push_back(arg);
        }
    }
    if (folders.empty())
        folders = {"usr/include", "usr/share/doc", "usr/lib/python3"};

    std::vector<Tool> tools;
    for (const char *name : {"ours", "unzip", "bsdtar", "7z"}) {
        std::string command = strcmp(name, "ours") == 0 ? "" : name;
        bool wanted = only.empty() || std::find(only.begin(), only.end(), name) != only.end();
        if (!wanted)
            continue;
        if (!command.empty() && !Installed(command)) {
            printf("%s is not installed: left out\n", name);
            continue;
        }
        tools.push_back(Tool{name, {}, {}, ""});
    }

    std::string data = TARVEX_BINARY_DIR "/bench-data";
    Shell("mkdir -p " + Quote(data));
    std::string zip = BuildArchive(data, folders);
    Shell("cat " + Quote(zip) + " >/dev/null");   // every tool reads a cached archive
    // Every tree of the run stays until the end: deleting thousands of files
    // between runs makes the file system's next creations slower, and that
    // would fall on whichever tool came next.
    std::string stamp = data + "/.trees-deleted";
    RemoveTrees(dest, stamp);
    Shell("mkdir -p " + Quote(dest));
    WaitAfterDeletion(dest, stamp);

    uint32_t files = 0, bytes = 0;
    for (int round = 0; round < rounds; round++) {
        printf("round %d:", round + 1);
        for (size_t turn = 0; turn < tools.size(); turn++) {
            Tool &tool = tools[(round + turn) % tools.size()];
            std::string folder = dest + "/" + std::to_string(round + 1) + "-" + tool.name;
            double wall = 0, cpu = 0;
            bool done = tool.name == "ours" ? RunOurs(folder, zip, &wall, &cpu) : RunTool(tool.name, zip, folder, &wall, &cpu);
            if (!done)
                return 1;
            if (tool.name == "ours") {
                files = ctx.filesExtracted;
                bytes = ctx.bytesWritten;
                folder += "/C/OUT";
            }
            if (tool.firstTree.empty())
                tool.firstTree = folder;
            tool.wall.push_back(wall);
            tool.cpu.push_back(cpu);
            printf(" %s %.3f s", tool.name.c_str(), wall);
            fflush(stdout);
        }
        printf("\n");
    }

    // The trees must be the same, or the times mean nothing.
    const Tool *reference = nullptr;
    for (const Tool &tool : tools)
        if (tool.name == "unzip")
            reference = &tool;
    for (const Tool &tool : tools) {
        if (!reference || &tool == reference)
            continue;
        if (Shell("diff -r -q " + Quote(reference->firstTree) + " " + Quote(tool.firstTree) + " >/dev/null") != 0) {
            fprintf(stderr, "%s's tree differs from unzip's\n", tool.name.c_str());
            return 1;
        }
    }
    RemoveTrees(dest, stamp);

    struct stat info;
    stat(zip.c_str(), &info);
    printf("archive: %s, %ld MB, %u files, %u MB written in full buffers; trees in %s\n", zip.c_str(),
           (long)(info.st_size >> 20), files, bytes >> 20, dest.c_str());
    printf("%-7s %28s %28s %28s\n", "", "wall s: median (min-max)", "CPU s: median (min-max)",
           "time / unzip's: median (min-max)");
    double ourRatio = 0;
    for (const Tool &tool : tools) {
        printf("%-7s %10.3f (%6.3f-%6.3f)    %10.3f (%6.3f-%6.3f)", tool.name.c_str(), Median(tool.wall),
               Smallest(tool.wall), Largest(tool.wall), Median(tool.cpu), Smallest(tool.cpu), Largest(tool.cpu));
        if (reference) {
            std::vector<double> ratios;
            for (size_t r = 0; r < tool.wall.size(); r++)
                ratios.push_back(tool.wall[r] / reference->wall[r]);
            printf("    %10.3f (%5.3f-%5.3f)", Median(ratios), Smallest(ratios), Largest(ratios));
            if (tool.name == "ours")
                ourRatio = Median(ratios);
        }
        printf("\n");
    }
    printf("rounds: %d, tools in turn, each round starting with the next\n", rounds);
    if (reference && ourRatio > 0)
        printf("time ratio: %.3f\n", ourRatio);
    return 0;
}
