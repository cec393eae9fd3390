// mksfx: makes a self-extractor from a ZIP file or a folder, or checks one.
#include <limits.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include "builder/command_line.h"
#include "builder/file_io.h"
#include "builder/folder_attribute.h"
#include "builder/folder_input.h"
#include "builder/image_build.h"
#include "builder/image_info.h"
#include "builder/spanned_set.h"
#include "builder/zip_reader.h"

namespace {

int Report(const Failure &failure, const std::string &fallbackFile) {
    const std::string &file = failure.file.empty() ? fallbackFile : failure.file;
    fprintf(stderr, "mksfx: %s: %s\n", file.c_str(), failure.cause.c_str());
    return 1;
}

// The folder mksfx itself stands in.
std::string OwnFolder() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    std::string self(path, (size_t)length);
    return self.substr(0, self.rfind('/'));
}

std::string DefaultStub() {
    std::string folder = OwnFolder();
    std::string beside = folder + "/sfxstub.exe";
    if (access(beside.c_str(), R_OK) == 0)
        return beside;
    return folder + "/../win32/sfxstub.exe";
}

bool IsFolder(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ReadInput(const CommandLine &line, ZipArchive &archive, Failure &failure) {
    if (IsFolder(line.input))
        return ReadFolderArchive(line.input, line.password, archive, failure);
    if (!line.password.empty())
        return Fail(failure, line.input, "--password applies to folder input only (a ZIP file keeps its encryption)");
    std::vector<uint8_t> bytes;
    std::string why;
    if (!ReadWholeFile(line.input, bytes, why))
        return Fail(failure, line.input, why);
    return ReadZipArchive(bytes, line.input, archive, failure) && NameAttributeFolders(archive, line.input, failure);
}

// Reads the input and refuses one that gives nothing to extract.
bool ReadMembers(const CommandLine &line, ZipArchive &archive, Failure &failure) {
    if (!ReadInput(line, archive, failure))
        return false;
    if (archive.members.empty())
        return Fail(failure, line.input, "nothing to extract: no files or folders");
    return true;
}

int Build(const CommandLine &line) {
    Failure failure;
    PreparedStub stub;
    ZipArchive archive;
    if (!PrepareStub(line.stub.empty() ? DefaultStub() : line.stub, stub, failure) ||
        !ReadMembers(line, archive, failure))
        return Report(failure, line.output);
    std::string refusal = TextBlockRefusal(line.image.texts);
    if (!refusal.empty())
        return Report({"", refusal}, line.output);
    if (stub.certificateRemoved)
        fprintf(stderr, "mksfx: %s: note: removed the stub's certificate table; sign the finished image instead\n",
                stub.path.c_str());
    if (line.spanSize != 0)
        return WriteSpannedSet(stub, archive, line.image, line.output, line.spanSize, failure) ? 0
                                                                                              : Report(failure, line.output);
    std::vector<uint8_t> image;
    if (!BuildImage(stub, archive, line.image, image, failure))
        return Report(failure, line.output);
    std::vector<PendingFile> files(1);
    std::string why, failedPath;
    if (!StageFile(line.output, image, files[0], why) || !CommitFiles(files, failedPath, why))
        return Report({line.output, why}, line.output);
    printf("%s: %zu members, %zu bytes\n", line.output.c_str(), archive.members.size(), image.size());
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
    CommandLine line;
    std::string why;
    if (!ParseCommandLine(argc, argv, line, why)) {
        fprintf(stderr, "mksfx: %s\n%s", why.c_str(), kUsage);
        return 2;
    }
    if (line.help) {
        fputs(kUsage, stdout);
        return 0;
    }
    return line.info ? ShowImageInfo(line.input) : Build(line);
}
