// Names of the files of a spanned set: disk folders disk1/, disk2/ ... side
// by side. Disk 1 holds the self-extractor under the name it was given; the
// volumes are named like it with the extension .EXE or .ZIP, in capitals,
// by the stub's own rule (archive/volume_names.h).
#pragma once
#include <string>

// The base name without its extension: what the volumes share (nothing
// for a name that is only an extension).
std::string VolumeStem(const std::string &path);

// <stem>.EXE or <stem>.ZIP.
std::string VolumeFileName(const std::string &stem, bool exe);

// Whether two file names are the same to Windows as far as ASCII letters go.
bool SameIgnoringCase(const std::string &a, const std::string &b);

// `folder`/disk<disk>.
std::string DiskFolder(const std::string &folder, unsigned disk);

// The volume file of disk `disk` for the set whose self-extractor is
// `imagePath` (itself standing in disk1/): the image itself for disk 1 with
// .EXE volumes. An existing file whose name differs only in case is taken,
// as Windows would take it.
std::string SiblingVolumePath(const std::string &imagePath, unsigned disk, bool exe);

// The label the disk must carry, "PKBACK# 001" for disk 1.
std::string VolumeLabel(unsigned disk);
