// Extraction benchmark: a large many-file archive (built once with zip -6
// from system folders and cached in the build tree) extracted by the
// extraction pass on the simulated platform and by unzip, into fresh folders
// on the same file system. Prints both wall times, best of a few runs each,
// and last the ratio ours / unzip.
//
// usage: bench_extract [runs] [folder...]   folders relative to /, default
//        usr/include usr/share/doc usr/lib/python3
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/extraction_pass.h"
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

static double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
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
    std::string command = "cd / && zip -q -6 -r '" + zip + ".part'";
    for (const std::string &f : folders)
        command += " '" + f + "'";
    printf("building %s ...\n", zip.c_str());
    fflush(stdout);
    int code = Shell(command + " 2>/dev/null");
    if ((code != 0 && code != 18) || Shell("mv '" + zip + ".part' '" + zip + "'") != 0) {
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
    std::string modulePath = "D:\\" + zip.substr(zip.rfind('/') + 1);
    strcpy(ctx.modulePath, modulePath.c_str());
    strcpy(ctx.destinationFolder, "C:\\OUT");
    ctx.mainDialog = (HWND)(uintptr_t)0x1234;
    ctx.meterShown = 1;
    configRecord.ArchiveOffset = 0;
    ctx.archiveFile = _lopen(ctx.modulePath, OF_READ | OF_SHARE_DENY_WRITE);
}

static void ReleaseMachine() {
    if (ctx.archiveFile > 0)
        _lclose(ctx.archiveFile);
    free(ctx.messageBuffer);
    free(ctx.inflateWindow);
    free(ctx.inputBuffer);
    free(ctx.outputBuffer);
}

int main(int argc, char **argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 4;
    std::vector<std::string> folders;
    for (int i = 2; i < argc; i++)
        folders.push_back(argv[i]);
    if (folders.empty())
        folders = {"usr/include", "usr/share/doc", "usr/lib/python3"};
    if (runs < 1)
        runs = 1;

    std::string data = TARVEX_BINARY_DIR "/bench-data";
    Shell("mkdir -p '" + data + "'");
    std::string zip = BuildArchive(data, folders);
    std::string work = data + "/run";
    std::string ours = work + "/ours", theirs = work + "/unzip";
    Shell("cat '" + zip + "' >/dev/null");   // both read a cached archive

    double bestOurs = 1e30, bestUnzip = 1e30;
    uint32_t files = 0, bytes = 0;
    for (int run = 0; run < runs; run++) {
        // Fresh folders, the deletions written out first; the two take turns
        // at going first so that neither always meets the other's leftovers.
        Shell("rm -rf '" + work + "' && mkdir -p '" + ours + "/C' && sync");
        for (int turn = 0; turn < 2; turn++) {
            if ((turn == 0) == (run % 2 == 0)) {
                PrepareMachine(ours, zip);
                auto start = std::chrono::steady_clock::now();
                int code = ExtractionPass();
                double took = Seconds(start);
                files = ctx.filesExtracted;
                bytes = ctx.bytesWritten;
                std::string box = hostsim::Sim().transcript.empty() ? "" : hostsim::Sim().transcript.back().text;
                ReleaseMachine();
                if (code != 0) {
                    fprintf(stderr, "extraction pass failed with code %d: %s\n", code, box.c_str());
                    return 1;
                }
                bestOurs = took < bestOurs ? took : bestOurs;
            } else {
                auto start = std::chrono::steady_clock::now();
                if (Shell("unzip -q -o '" + zip + "' -d '" + theirs + "'") != 0) {
                    fprintf(stderr, "unzip failed\n");
                    return 1;
                }
                double took = Seconds(start);
                bestUnzip = took < bestUnzip ? took : bestUnzip;
            }
        }
    }
    if (Shell("diff -r -q '" + ours + "/C/OUT' '" + theirs + "' >/dev/null") != 0) {
        fprintf(stderr, "the two extractions differ\n");
        return 1;
    }
    Shell("rm -rf '" + work + "'");

    struct stat info;
    stat(zip.c_str(), &info);
    printf("archive: %s, %ld MB, %u files, %u MB written in full buffers\n", zip.c_str(),
           (long)(info.st_size >> 20), files, bytes >> 20);
    printf("extraction pass: %.3f s (best of %d)\n", bestOurs, runs);
    printf("unzip -q -o:     %.3f s (best of %d)\n", bestUnzip, runs);
    printf("time ratio: %.3f\n", bestOurs / bestUnzip);
    return 0;
}
