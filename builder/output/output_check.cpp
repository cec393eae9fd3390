#include "builder/output/output_check.h"

#include <filesystem>

#include "builder/common/file_io.h"
#include "builder/common/system.h"
#include "builder/output/volume_names.h"

namespace {

const char *KindWords(PathKind kind) {
    switch (kind) {
    case kPathFolder: return "a folder";
    case kPathLink: return "a symbolic link";
    case kPathFifo: return "a FIFO";
    case kPathCharDevice: return "a character device";
    case kPathBlockDevice: return "a block device";
    case kPathSocket: return "a socket";
    default: return "not a regular file";
    }
}

}  // namespace

std::string OutputRefusal(const std::string &output, const std::string &input) {
    PathKind kind = KindOfPath(output);
    if (kind == kPathMissing)
        return "";
    if (kind != kPathRegular)
        return std::string("is ") + KindWords(kind) + ", not a regular file (mksfx replaces only regular files)";
    // The same file under any name: a hard link or a path spelt otherwise.
    std::error_code error;
    if (std::filesystem::equivalent(FsPath(output), FsPath(input), error))
        return "is the input itself (give the self-extractor another name)";
    return "";
}

std::vector<std::string> PathsToLeaveOut(const std::string &output, bool spanned) {
    std::vector<std::string> paths{output};
    if (spanned)
        for (unsigned disk = 1; IsFolder(DiskFolder(FolderOfPath(output), disk)); disk++)
            paths.push_back(DiskFolder(FolderOfPath(output), disk));
    return paths;
}
