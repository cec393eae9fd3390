// mksfx: makes a self-extractor from a ZIP file or a folder, or checks one.
// Exit status: 0 done, 1 input refused or failed, 2 usage.
#include <stdio.h>

#include "builder/command_line.h"
#include "builder/common/file_io.h"
#include "builder/common/system.h"
#include "builder/info/image_info.h"
#include "builder/input/archive_input.h"
#include "builder/input/folder_attribute.h"
#include "builder/input/folder_input.h"
#include "builder/input/zip_reader.h"
#include "builder/members/member_pack.h"
#include "builder/members/recompress.h"
#include "builder/output/image_build.h"
#include "builder/output/output_check.h"
#include "builder/output/spanned_set.h"
#include "builder/output/volume_names.h"
#include "builder/password_source.h"

namespace {

enum ExitStatus { kExitDone = 0, kExitFailed = 1, kExitUsage = 2 };

int Report(const Failure &failure, const std::string &fallbackFile) {
    const std::string &file = failure.file.empty() ? fallbackFile : failure.file;
    fprintf(stderr, "mksfx: %s: %s\n", file.c_str(), failure.cause.c_str());
    return kExitFailed;
}

// The stub: installed beside the program's share folder, beside the
// program, or in the build tree, in that order.
bool FindStub(std::string &stub, Failure &failure) {
    std::string folder = ProgramFolder();
    const std::string candidates[] = {folder + "/../share/tarvex/sfxstub.exe", folder + "/sfxstub.exe",
                                      folder + "/../win32/sfxstub.exe"};
    for (const std::string &candidate : candidates)
        if (ExistsOnDisk(candidate) && !IsFolder(candidate)) {
            stub = candidate;
            return true;
        }
    return Fail(failure, "sfxstub.exe",
                "not found in " + candidates[0] + ", " + candidates[1] + " or " + candidates[2] +
                    "; give one with --stub");
}

bool ReadArchive(const CommandLine &line, const std::vector<std::string> &leaveOut, Progress &progress, Spool &spool,
                 ZipArchive &archive, Failure &failure) {
    if (IsFolder(line.input))
        return ReadFolderArchive(line.input, line.password, &progress, spool, archive, failure, leaveOut, line.level);
    if (!line.password.empty())
        return Fail(failure, line.input, "--password applies to folder input only (a ZIP file keeps its encryption)");
    ZipReadOptions options;
    options.allowDamaged = line.allowDamaged;
    options.nameCodePage = line.nameCodePage;
    options.progress = &progress;
    options.otherMethods = HasLibarchive();
    std::vector<std::string> warnings;
    Failure zipFailure;
    bool read = ReadZipFile(line.input, options, archive, warnings, zipFailure);
    EndProgress(progress);
    if (!read && IsOtherArchive(line.input))
        return ReadOtherArchive(line.input, line.level, spool, archive, failure);
    if (!read)
        failure = zipFailure;
    read = read && DecodeOtherMethods(line.input, line.level, spool, archive, failure);
    for (const std::string &warning : warnings)
        fprintf(stderr, "mksfx: %s: warning: %s\n", line.input.c_str(), warning.c_str());
    size_t smaller = 0;
    if (read && line.recompress && !RecompressMembers(archive, line.level, spool, smaller, failure))
        return Fail(failure, line.input, failure.cause);
    return read && NameAttributeFolders(archive, line.input, failure);
}

bool ReadInput(const CommandLine &line, const std::vector<std::string> &leaveOut, Progress &progress, Spool &spool,
               ZipArchive &archive, Failure &failure) {
    if (!ReadArchive(line, leaveOut, progress, spool, archive, failure))
        return false;
    for (const std::string &warning : CaseCollisions(archive))
        fprintf(stderr, "mksfx: %s: warning: %s\n", line.input.c_str(), warning.c_str());
    return true;
}

// Reads the input and refuses one that gives nothing to extract.
bool ReadMembers(const CommandLine &line, const std::vector<std::string> &leaveOut, Spool &spool, ZipArchive &archive,
                 Failure &failure) {
    Progress progress;
    progress.wanted = !line.quiet;
    bool read = ReadInput(line, leaveOut, progress, spool, archive, failure);
    EndProgress(progress);
    if (!read)
        return false;
    if (archive.members.empty())
        return Fail(failure, line.input, "nothing to extract: it holds no files or folders");
    return true;
}

// The file the self-extractor itself goes to: OUTPUT, or disk1/ beside it
// for a spanned set.
std::string ImagePath(const CommandLine &line) {
    return line.spanSize == 0 ? line.output : DiskFolder(FolderOfPath(line.output), 1) + "/" + FileNameOfPath(line.output);
}

// Builds into `pending` (opened before the input is read, so that an output
// inside an input folder is known and left out, temporary included), with
// the data the build makes kept in `spool` until the image is written.
bool BuildInto(const CommandLine &line, PendingFile &pending, Spool &spool, Failure &failure) {
    PreparedStub stub;
    ZipArchive archive;
    std::string stubPath = line.stub;
    std::vector<std::string> leaveOut = PathsToLeaveOut(line.output, line.spanSize != 0);
    for (const std::string &scratch : {pending.temporary, spool.packed.path, spool.plain.path})
        if (!scratch.empty())
            leaveOut.push_back(scratch);
    // The texts are checked before any member is read and compressed.
    std::string refusal = TextBlockRefusal(line.image.texts);
    if (!refusal.empty())
        return Fail(failure, "", refusal);
    if ((stubPath.empty() && !FindStub(stubPath, failure)) || !PrepareStub(stubPath, stub, failure) ||
        !ReadMembers(line, leaveOut, spool, archive, failure))
        return false;
    if (stub.certificateRemoved)
        fprintf(stderr, "mksfx: %s: note: removed the stub's certificate table; sign the finished image instead\n",
                stub.path.c_str());
    if (line.spanSize != 0)
        return WriteSpannedSet(stub, archive, line.image, line.output, line.spanSize, line.quiet, failure);
    uint64_t imageSize = 0;
    if (!WriteImage(stub, archive, line.image, pending, imageSize, failure) || !CommitPending(pending, failure))
        return false;
    if (!line.quiet)
        printf("%s: %zu members, %llu bytes\n", line.output.c_str(), archive.members.size(),
               (unsigned long long)imageSize);
    return true;
}

int Build(const CommandLine &line) {
    Failure failure;
    std::string refusal = OutputRefusal(ImagePath(line), line.input);
    if (!refusal.empty())
        return Report({ImagePath(line), refusal}, line.output);
    PendingFile pending;
    Spool spool;
    if ((line.spanSize == 0 && !OpenPending(line.output, pending, failure)) ||
        !OpenSpool(FolderOfPath(line.output), spool, failure)) {
        DiscardPending(pending);
        return Report(failure, line.output);
    }
    bool built = BuildInto(line, pending, spool, failure);
    DiscardPending(pending);
    CloseSpool(spool);
    return built ? kExitDone : Report(failure, line.output);
}

}  // namespace

int main(int argc, char **argv) {
    std::vector<std::string> arguments = Utf8Arguments(argc, argv);
    CatchInterrupts();
    CommandLine line;
    Failure failure;
    if (!ParseCommandLine(std::vector<std::string>(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end()),
                          line, failure)) {
        fprintf(stderr, "mksfx: %s\nTry '%s'.\n", failure.cause.c_str(), line.info ? "mksfx info --help" : "mksfx --help");
        return kExitUsage;
    }
    if (line.help) {
        fputs(line.info ? kInfoHelp : kHelp, stdout);
        return kExitDone;
    }
    if (line.version) {
        printf("%s\n", VersionLine().c_str());
        return kExitDone;
    }
    if (!ResolvePassword(line, !line.info, failure))
        return Report(failure, line.input);
    if (line.info)
        return ShowImageInfo(line.input, line.password, failure) ? kExitDone : Report(failure, line.input);
    return Build(line);
}
