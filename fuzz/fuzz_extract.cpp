// Whole-pass fuzzing. The input is one option byte followed by a ZIP
// archive; the archive goes behind a 64-byte stand-in for the stub into the
// image C:\DL\TEST.EXE of a simulated machine, and one extraction pass
// unpacks it into C:\OUT with the message boxes answered as the option
// byte says. After every pass the target aborts unless:
// - the last box is one of the messages a pass may end with;
// - nothing outside C:\OUT changed and no device or outside path was tried;
// - the output file is closed;
// - a pass that reports success without any question asked wrote exactly
//   the files the archive describes, each with its header's CRC-32 and
//   stamped with the time its extra field (NTFS, extended timestamp) or
//   its MS-DOS fields give.
//
// Option byte: bit 0 overwrite without asking; bit 1 the password "secret"
// is set; bits 2-3 the answer to overwrite questions (Yes, No, Cancel,
// Yes); bit 4 the user confirms the abort question at the second pump;
// bit 5 the meter is shown; bit 6 the archive is spanned, its volumes are
// the image itself on a disk labelled as disk 1, and the user answers two
// disk prompts with OK (or Ignore) before giving up.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <string>

#include "archive/extraction_pass.h"
#include "base/error_exit.h"
#include "codec/inflate.h"
#include "image/config_record.h"
#include "tests/robustness/oracle.h"
#include "tests/support/test_support.h"

namespace {

const uint32_t kStubBytes = 64;

std::string machineRoot;
ExtractionContext pristine;
std::map<std::string, std::string> outsideBefore;
char *password;

std::map<std::string, std::string> Outside() {
    return robust::SnapshotTree(machineRoot, {"C/OUT", "C/DL"});
}

[[noreturn]] void Fail(const std::string &what) {
    fprintf(stderr, "fuzz_extract: %s\n", what.c_str());
    abort();
}

void RemoveMachine() {
    testsupport::RemoveTree(machineRoot);
}

const unsigned kDiskPromptsAnswered = 2;
unsigned diskPrompts;

int AnswerFor(unsigned options, const hostsim::BoxRecord &box) {
    if (box.style == MB_YESNOCANCEL) {
        static const int answers[] = {IDYES, IDNO, IDCANCEL, IDYES};
        return answers[(options >> 2) & 3];
    }
    // A user who keeps confirming a disk prompt without changing the disk
    // would be asked for ever; this one gives up.
    bool patient = ++diskPrompts <= kDiskPromptsAnswered;
    if ((box.style & 0xF) == MB_ABORTRETRYIGNORE)
        return patient ? IDIGNORE : IDABORT;
    if ((box.style & 0xF) == MB_OKCANCEL)
        return patient ? IDOK : IDCANCEL;
    return IDOK;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    machineRoot = testsupport::FreshMachine("fuzz");
    atexit(RemoveMachine);
    memcpy(ctx.localSignature, "PK\x03\x04", 5);
    memcpy(ctx.centralSignature, "PK\x01\x02", 5);
    memcpy(ctx.endSignature, "PK\x05\x06", 5);
    memcpy(ctx.singleVolumeMarker, "PK00", 5);
    memcpy(ctx.spanningSignature, "PK\x07\x08", 5);
    MultiByteToWideChar(CP_UTF8, 0, "C:\\DL\\TEST.EXE", -1, ctx.imagePath, kPathBufferSize);
    MultiByteToWideChar(CP_UTF8, 0, "C:\\OUT", -1, ctx.destinationFolder, kPathBufferSize);
    ctx.mainDialog = (HWND)(uintptr_t)0x1234;
    password = (char *)GlobalAlloc(GPTR, 8);
    lstrcpyA(password, "secret");
    pristine = ctx;
    testsupport::WriteFile(machineRoot + "/C/CANARY/keep.txt", "canary");
    testsupport::WriteFile(machineRoot + "/C/x", "root x");
    outsideBefore = Outside();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1)
        return 0;
    const unsigned options = data[0];
    const std::string archive((const char *)data + 1, size - 1);

    // A decode that an exit abandoned leaves its tables for the next one.
    ReleaseDecodeTables();
    ctx = pristine;
    hostsim::Reset(machineRoot);
    std::error_code ignored;
    std::filesystem::remove_all(machineRoot + "/C/OUT", ignored);
    testsupport::WriteFile(machineRoot + "/C/DL/TEST.EXE", std::string(kStubBytes, 'M') + archive);
    configRecord.ArchiveOffset = kStubBytes;
    configRecord.TotalSize = (uint32_t)archive.size();
    ctx.overwriteWithoutPrompting = options & 1;
    ctx.passwordText = options & 2 ? password : nullptr;
    ctx.meterShown = (options >> 5) & 1;
    ctx.spanned = ctx.exeVolumes = (options >> 6) & 1;
    hostsim::Sim().volumeLabels['C'] = "PKBACK# 001";
    diskPrompts = 0;
    hostsim::Sim().boxHandler = [options](const hostsim::BoxRecord &box) { return AnswerFor(options, box); };
    hostsim::Sim().abortAtPump = options & 0x10 ? 2 : 0;
    ctx.archiveFile = _lopen("C:\\DL\\TEST.EXE", OF_READ | OF_SHARE_DENY_WRITE);

    int code = ExtractionPass();
    _lclose(ctx.archiveFile);
    ctx.archiveFile = 0;

    const auto &boxes = hostsim::Sim().transcript;
    if (code == kGuardFailed && !boxes.empty() && boxes.back().style == MB_ICONERROR) {
        std::string kind = robust::MessageKind(boxes.back().text);
        if (kind.rfind("unknown", 0) == 0)
            Fail("the pass ended with a message of its own: " + boxes.back().text);
    }
    if (hostsim::Sim().refusedPaths != 0)
        Fail("a device or a path outside the machine was tried");
    std::string changes = robust::SnapshotDifferences(outsideBefore, Outside());
    if (!changes.empty())
        Fail("changed outside the destination:\n" + changes);
    if (ctx.outputFile != 0)
        Fail("the output file was left open");
    // The reference walk knows no volumes.
    if (code == kGuardDone && boxes.empty() && !ctx.spanned) {
        std::string differences =
            robust::SuccessDifferences(robust::WalkArchiveBytes(archive), machineRoot + "/C/OUT");
        if (!differences.empty())
            Fail("success, but the destination is not what the archive describes:\n" + differences);
    }
    return 0;
}
