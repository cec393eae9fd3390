// Names of the files of a spanned set: disk folders disk1/, disk2/ ... side
// by side, each holding one volume named like the self-extractor with the
// extension .EXE or .ZIP (the stub swaps its own extension for these).
#pragma once
#include <string>

// The base name without its extension: what the volumes share.
std::string VolumeStem(const std::string &path);

// `folder`/disk<disk>/<stem>.EXE or .ZIP.
std::string VolumePath(const std::string &folder, const std::string &stem, unsigned disk, bool exe);

// The volume of disk `disk` for the set whose self-extractor is `imagePath`
// (itself standing in disk1/).
std::string SiblingVolumePath(const std::string &imagePath, unsigned disk, bool exe);

// The label the disk must carry, "PKBACK# 001" for disk 1.
std::string VolumeLabel(unsigned disk);
