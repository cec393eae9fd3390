#include "builder/output/volume_names.h"

#include <stdio.h>

#include "archive/volume_names.h"
#include "builder/common/file_io.h"
#include "builder/common/system.h"

std::string VolumeStem(const std::string &path) {
    std::string base = FileNameOfPath(path);
    return base.substr(0, VolumeStemLength(base.c_str()));
}

std::string VolumeFileName(const std::string &stem, bool exe) {
    return stem + VolumeExtension(exe);
}

std::string DiskFolder(const std::string &folder, unsigned disk) {
    return folder + "/disk" + std::to_string(disk);
}

bool SameIgnoringCase(const std::string &a, const std::string &b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = (char)(x - 32);
        if (y >= 'a' && y <= 'z')
            y = (char)(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

std::string SiblingVolumePath(const std::string &imagePath, unsigned disk, bool exe) {
    if (disk == 1 && exe)
        return imagePath;
    std::string folder = DiskFolder(FolderOfPath(FolderOfPath(imagePath)), disk);
    std::string name = VolumeFileName(VolumeStem(imagePath), exe);
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(FsPath(folder), error)) {
        std::string found = Utf8Path(entry.path().filename());
        if (SameIgnoringCase(found, name))
            return folder + "/" + found;
    }
    return folder + "/" + name;
}

std::string VolumeLabel(unsigned disk) {
    char label[32];
    snprintf(label, sizeof label, "%s %03u", kVolumeLabelPrefix, disk);
    return label;
}
