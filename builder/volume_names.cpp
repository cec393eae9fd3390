#include "builder/volume_names.h"

#include <stdio.h>

#include "builder/file_io.h"

static std::string BaseName(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string VolumeStem(const std::string &path) {
    std::string base = BaseName(path);
    size_t dot = base.rfind('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

std::string VolumePath(const std::string &folder, const std::string &stem, unsigned disk, bool exe) {
    return folder + "/disk" + std::to_string(disk) + "/" + stem + (exe ? ".EXE" : ".ZIP");
}

std::string SiblingVolumePath(const std::string &imagePath, unsigned disk, bool exe) {
    if (disk == 1 && exe)
        return imagePath;
    return VolumePath(FolderOfPath(FolderOfPath(imagePath)), VolumeStem(imagePath), disk, exe);
}

std::string VolumeLabel(unsigned disk) {
    char label[16];
    snprintf(label, sizeof label, "PKBACK# %03u", disk);
    return label;
}
