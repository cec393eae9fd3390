#include "builder/archive_walk.h"

#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include <algorithm>

#include "archive/crc32.h"
#include "archive/zip_format.h"
#include "builder/zip_members.h"
#include "context/extraction_context.h"
#include "image/byte_order.h"

namespace {

enum WalkSizes {
    kLocalFieldsBytes = kLocalHeaderSize - kSignatureBytes,       // 26
    kCentralFieldsBytes = kCentralHeaderSize - kSignatureBytes,   // 42
    kEndFieldsBytes = kEndRecordSize - kSignatureBytes,           // 18
    kRefillSize = kIoBufferSize,
};

enum : uint32_t { kSingleVolumeMarker = 0x30304B50 };  // "PK00"

// Reading position over the volumes, with the stub's rule that a read stops
// at the end of the current volume.
struct WalkReader {
    const std::vector<WalkVolume> &volumes;
    bool spanned;
    size_t disk = 0;
    size_t position = 0;
};

size_t ReadSome(WalkReader &reader, uint8_t *out, size_t n) {
    const std::vector<uint8_t> &bytes = reader.volumes[reader.disk].bytes;
    size_t available = reader.position < bytes.size() ? bytes.size() - reader.position : 0;
    size_t got = std::min(n, available);
    if (got > 0)
        memcpy(out, bytes.data() + reader.position, got);
    reader.position += got;
    return got;
}

bool NextVolume(WalkReader &reader) {
    if (reader.disk + 1 >= reader.volumes.size())
        return false;
    reader.disk++;
    reader.position = 0;
    return true;
}

std::string Where(const WalkReader &reader) {
    return reader.volumes[reader.disk].path + " at offset " + std::to_string(reader.position);
}

// A relative seek: the stub's stays inside the volume, so in a spanned set
// one that passes the volume's end is a layout the stub cannot follow.
bool Skip(WalkReader &reader, size_t n, const char *what, std::string &error) {
    reader.position += n;
    if (reader.spanned && reader.position > reader.volumes[reader.disk].bytes.size()) {
        error = std::string(what) + " runs past the end of " + reader.volumes[reader.disk].path;
        return false;
    }
    return true;
}

// A read that may move to the next volume: the signature and the local
// header, read again in full from the next volume's start.
bool ReadWhole(WalkReader &reader, uint8_t *out, size_t n, int shortCode, int spannedCode, std::string &error) {
    if (ReadSome(reader, out, n) == n)
        return true;
    if (reader.spanned && NextVolume(reader) && ReadSome(reader, out, n) == n)
        return true;
    error = "read error " + std::to_string(reader.spanned ? spannedCode : shortCode) + " at " + Where(reader);
    return false;
}

// A read the stub makes without changing volumes.
bool ReadInVolume(WalkReader &reader, uint8_t *out, size_t n, int code, std::string &error) {
    if (ReadSome(reader, out, n) == n)
        return true;
    error = "read error " + std::to_string(code) + " at " + Where(reader);
    return false;
}

// The member's data as the input buffer's refills gather it, moving to the
// next volume after a short refill.
bool ReadMemberData(WalkReader &reader, size_t n, std::vector<uint8_t> &data, std::string &error) {
    data.resize(n);
    size_t done = 0;
    while (done < n) {
        size_t ask = std::min<size_t>(kRefillSize, n - done);
        size_t got = ReadSome(reader, data.data() + done, ask);
        if (got < ask) {
            if (!reader.spanned || !NextVolume(reader)) {
                error = "read error 2 (member data cut short) at " + Where(reader);
                return false;
            }
            if (got == 0)
                got = ReadSome(reader, data.data() + done, ask);
            if (got == 0) {
                error = "read error 2 (empty volume) at " + Where(reader);
                return false;
            }
        }
        done += got;
    }
    return true;
}

DataCheck CheckData(const WalkedMember &member, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> plain;
    if (member.method == kMethodStored) {
        plain = data;
    } else if (member.method == kMethodDeflated) {
        z_stream stream;
        memset(&stream, 0, sizeof stream);
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
            return kDataDamaged;
        plain.resize((size_t)member.uncompressedSize + 1);
        stream.next_in = (Bytef *)data.data();
        stream.avail_in = (uInt)data.size();
        stream.next_out = plain.data();
        stream.avail_out = (uInt)plain.size();
        int result = inflate(&stream, Z_FINISH);
        plain.resize(stream.total_out);
        inflateEnd(&stream);
        if (result != Z_STREAM_END)
            return kDataDamaged;
    } else {
        return kDataDamaged;
    }
    bool intact = plain.size() == member.uncompressedSize && Crc32Of(plain.data(), plain.size()) == member.crc;
    return intact ? kDataIntact : kDataDamaged;
}

// The extra field of `length` bytes at the reading position as the stub
// keeps it: its first kLocalExtraCapacity bytes, as far as the volume holds
// them. The position does not move.
std::vector<uint8_t> KeptExtra(const WalkReader &reader, size_t length) {
    const std::vector<uint8_t> &bytes = reader.volumes[reader.disk].bytes;
    size_t available = reader.position < bytes.size() ? bytes.size() - reader.position : 0;
    size_t kept = std::min({length, available, (size_t)kLocalExtraCapacity});
    return std::vector<uint8_t>(bytes.begin() + reader.position, bytes.begin() + reader.position + kept);
}

bool ProcessMember(WalkReader &reader, WalkResult &result, std::string &error) {
    uint8_t h[kLocalHeaderSize];   // field offsets count from the signature, which is not read again
    if (!ReadWhole(reader, h + 4, kLocalFieldsBytes, 4, 3, error))
        return false;
    WalkedMember member;
    member.disk = (unsigned)reader.disk + 1;
    member.flags = ReadLe16(h + kLocalFlags);
    member.method = ReadLe16(h + kLocalMethod);
    member.crc = ReadLe32(h + kLocalCrc);
    member.compressedSize = ReadLe32(h + kLocalCompressedSize);
    member.uncompressedSize = ReadLe32(h + kLocalUncompressedSize);
    member.date = ReadLe16(h + kLocalDate);
    member.time = ReadLe16(h + kLocalTime);
    size_t nameLength = ReadLe16(h + kLocalNameLength);
    if (nameLength > kMaxNameLength) {
        error = "a local header names a member of " + std::to_string(nameLength) + " bytes (string 50)";
        return false;
    }
    member.name.resize(nameLength);
    if (!ReadInVolume(reader, (uint8_t *)&member.name[0], nameLength, 1, error))
        return false;
    member.extra = KeptExtra(reader, ReadLe16(h + kLocalExtraLength));
    if (!Skip(reader, ReadLe16(h + kLocalExtraLength), "an extra field", error))
        return false;
    if (IsFolderName(member.name)) {
        if (member.uncompressedSize == 0 && member.compressedSize > 0 &&
            !Skip(reader, member.compressedSize, "a folder member's data", error))
            return false;
    } else {
        size_t dataLength = member.compressedSize;
        bool encrypted = (member.flags & kFlagBitEncrypted) != 0;
        if (encrypted) {
            uint8_t header[kEncryptionHeaderSize];
            if (dataLength < kEncryptionHeaderSize) {
                error = "member '" + member.name + "' is encrypted but shorter than its encryption header";
                return false;
            }
            if (!ReadInVolume(reader, header, sizeof header, 14, error))
                return false;
            dataLength -= kEncryptionHeaderSize;
        }
        std::vector<uint8_t> data;
        if (!ReadMemberData(reader, dataLength, data, error))
            return false;
        member.check = encrypted ? kDataEncrypted : CheckData(member, data);
    }
    if ((member.flags & kFlagBitDescriptor) && !Skip(reader, kDescriptorSize, "a data descriptor", error))
        return false;
    result.members.push_back(member);
    return true;
}

bool SkipCentralRecord(WalkReader &reader, std::string &error) {
    uint8_t c[kCentralHeaderSize];
    if (!ReadInVolume(reader, c + 4, kCentralFieldsBytes, 6, error))
        return false;
    size_t nameLength = ReadLe16(c + kCentralNameLength);
    if (nameLength > kMaxNameLength) {
        error = "a central record names a member of " + std::to_string(nameLength) + " bytes (string 50)";
        return false;
    }
    std::vector<uint8_t> name(nameLength);
    return ReadInVolume(reader, name.data(), nameLength, 1, error) &&
           Skip(reader, ReadLe16(c + kCentralExtraLength), "a central extra field", error) &&
           Skip(reader, ReadLe16(c + kCentralCommentLength), "a central comment", error);
}

}  // namespace

bool WalkArchive(const std::vector<WalkVolume> &volumes, bool spanned, WalkResult &result) {
    result.members.clear();
    result.error.clear();
    if (volumes.empty()) {
        result.error = "no volume to walk";
        return false;
    }
    WalkReader reader{volumes, spanned};
    reader.position = volumes[0].start;
    std::string &error = result.error;
    for (;;) {
        uint8_t signature[kSignatureBytes];
        if (!ReadWhole(reader, signature, sizeof signature, 9, 8, error))
            return false;
        uint32_t value = ReadLe32(signature);
        if (value == kLocalSignature) {
            if (!ProcessMember(reader, result, error))
                return false;
        } else if (value == kCentralSignature) {
            if (spanned)
                return true;
            if (!SkipCentralRecord(reader, error))
                return false;
        } else if (value == kEndSignature) {
            uint8_t fields[kEndFieldsBytes];
            if (!ReadInVolume(reader, fields, sizeof fields, 7, error))
                return false;
            return true;
        } else if (value != kSingleVolumeMarker && !spanned) {
            char text[64];
            snprintf(text, sizeof text, "unexpected signature %08X", value);
            error = std::string(text) + " before " + Where(reader) + " (string 31)";
            return false;
        }
    }
}
