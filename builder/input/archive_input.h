// Input through libarchive (libarchive-dev): ZIP members of methods the stub
// does not decode (bzip2, LZMA, Deflate64, PPMd, xz, zstd, ...), and the
// other formats libarchive reads (7z, tar with gzip, bzip2, xz or zstd,
// cpio, ISO 9660, ...). Each member so read is deflated again at the chosen
// level, or stored when that is not smaller. mksfx.exe is built without
// libarchive (Debian has no Windows build of it) and reads ZIP input only.
#pragma once
#include <string>

#include "builder/common/failure.h"
#include "builder/common/progress.h"
#include "builder/members/member_pack.h"
#include "builder/members/zip_members.h"

// Whether this build has libarchive.
bool HasLibarchive();

// Whether `file` is an archive libarchive reads in a format other than ZIP.
bool IsOtherArchive(const std::string &file);

// Reads every file and folder of `file` (IsOtherArchive) as members: names
// as UTF-8 ("/" between components, folders ending in "/", a leading "./"
// dropped), modification times as for folder input, hard links as copies of
// their target. Refuses symbolic links and other special entries, encrypted
// entries, files of 4 GiB or more and names the stub cannot take. The data
// is packed into `spool` as it is decoded (member_pack.h).
bool ReadOtherArchive(const std::string &file, int level, Spool &spool, ZipArchive &archive, Failure &failure);

// Decodes the members of a ZIP read with ZipReadOptions::otherMethods whose
// method the stub cannot decode, matched by name, checks each against its
// CRC and size and deflates it again. Fails naming a member libarchive
// cannot decode.
bool DecodeOtherMethods(const std::string &file, int level, Spool &spool, ZipArchive &archive, Failure &failure);
