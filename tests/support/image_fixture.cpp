#include "tests/support/image_fixture.h"

#include <string.h>

#include "base/byte_order.h"
#include "base/crc32.h"
#include "context/extraction_context.h"
#include "platform/host/host_control.h"
#include "tests/support/test_support.h"

namespace testsupport {

const char kTestImagePath[] = "C:\\SETUP\\SFX.EXE";
const char kDamagedText[] =
    "Zip file is damaged, truncated, or has been changed since it was created.   If you downloaded this file, "
    "try downloading again.";

static void Put32(std::string &bytes, size_t at, uint32_t value) {
    WriteLe32((uint8_t *)&bytes[at], value);
}

static void Put16(std::string &bytes, size_t at, uint16_t value) {
    WriteLe16((uint8_t *)&bytes[at], value);
}

std::string TextBlockOf(const std::vector<std::string> &strings) {
    std::string block;
    for (const std::string &s : strings)
        block += s + std::string(1, '\0');
    return block;
}

// Everything before the TextBlock: headers, code bytes, the record's place.
static std::string StubPart() {
    std::string stub(kTestTextBlockOffset, '\0');
    stub[0] = 'M';
    stub[1] = 'Z';
    Put32(stub, kDosLfanewOffset, kTestLfanew);
    const char dosText[] = "This program needs Win32.\r\n$";
    memcpy(&stub[0x40], dosText, sizeof dosText - 1);
    memcpy(&stub[kTestLfanew], "PE\0\0", 4);
    Put16(stub, kTestLfanew + 4, 0x14C);          // i386
    Put16(stub, kTestLfanew + 6, 2);              // sections
    Put16(stub, kTestLfanew + 20, 224);           // optional header size
    Put16(stub, kTestLfanew + 24, 0x10B);         // PE32
    Put32(stub, kTestLfanew + kEntryPointInPeHeaders, kTestEntryPoint);
    Put32(stub, kTestLfanew + 88, 0x1234);        // optional header checksum
    const size_t table = kTestLfanew + kPeHeadersSize;
    memcpy(&stub[table], ".text", 5);
    memcpy(&stub[table + kSectionEntrySize], "_tarvex_", 8);
    for (size_t i = kTestCodeOffset; i < kTestRecordOffset; i++)
        stub[i] = (char)(i * 7 + 3);
    return stub;
}

static std::string MakeZip(const std::map<std::string, std::string> &members, const std::string &scratch) {
    std::string folder = scratch + "/members";
    std::string names;
    for (const auto &member : members) {
        WriteFile(folder + "/" + member.first, member.second);
        names += " '" + member.first + "'";
    }
    std::string zip = scratch + "/archive.zip";
    Run("rm -f '" + zip + "'; cd '" + folder + "' && zip -q -X '" + zip + "'" + names);
    return ReadFile(zip);
}

// zip itself moves the stored offsets behind a preamble.
static std::string AdjustedZip(const std::string &preamble, const std::string &zip, const std::string &scratch) {
    std::string path = scratch + "/image.zip";
    WriteFile(path, preamble + zip);
    Run("zip -q -A '" + path + "'");
    return ReadFile(path);
}

TestImage MakeTestImage(const TestImageShape &shape, const std::string &scratch) {
    std::string text = shape.withTextBlock ? TextBlockOf(shape.strings) : "";
    std::string preamble = StubPart() + text;
    std::string zip = MakeZip(shape.members, scratch);
    TestImage image;
    image.bytes = AdjustedZip(preamble, zip, scratch);
    image.zipOffset = (uint32_t)preamble.size();
    uint32_t end = (uint32_t)image.bytes.size();
    image.bytes.resize((end + 0x1FF) & ~0x1FFu, '\0');

    ConfigRecord &r = image.record;
    memset(&r, 0, sizeof r);
    memcpy(r.Marker, CONFIG_MARKER_BYTES, kMarkerSize);
    r.StubCrc = shape.withChecksum ? 1 : 0;
    r.ArchiveOffset = image.zipOffset;
    r.TextBlockOffset = shape.withTextBlock ? kTestTextBlockOffset : 0;
    r.EndRecordOffset = end - 22;
    for (const auto &member : shape.members)
        r.TotalSize += (uint32_t)member.second.size();
    r.Flags = shape.flags;
    r.Complete = shape.complete;
    r.Reserved2[0] = 8;
    r.EntryPoint = kTestEntryPoint;
    SealTestImage(image);
    return image;
}

uint32_t StubChecksumOf(const TestImage &image) {
    std::string copy = image.bytes.substr(0, image.record.ArchiveOffset);
    size_t marker = copy.find(std::string(CONFIG_MARKER_BYTES, kMarkerSize));
    for (size_t i = marker + kStubCrcOffset; i < marker + kStubCrcOffset + 4 && i < copy.size(); i++)
        copy[i] = 0;
    size_t start = (image.record.Flags & kFlagCrcSkipsHeaders) ? kTestLfanew + kPeHeadersSize : 0;
    return Crc32Of((const uint8_t *)copy.data() + start, copy.size() - start);
}

void SealTestImage(TestImage &image) {
    memcpy(&image.bytes[kTestRecordOffset], &image.record, sizeof image.record);
    if (image.record.StubCrc != 0) {
        image.record.StubCrc = StubChecksumOf(image);
        memcpy(&image.bytes[kTestRecordOffset], &image.record, sizeof image.record);
    }
}

void UseImagePath(const std::string &windowsPath) {
    hostsim::Sim().modulePath = windowsPath;
    GetModuleFileNameW(0, ctx.imagePath, kPathBufferSize - 1);
}

void InstallTestImage(const TestImage &image, const std::string &windowsPath) {
    WriteFile(hostsim::HostPath(windowsPath), image.bytes);
    UseImagePath(windowsPath);
    configRecord = image.record;
}

}  // namespace testsupport
