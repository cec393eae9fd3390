#include "builder_fixture.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/crc32.h"
#include "builder/output/pe_format.h"
#include "builder/output/zip_writer.h"
#include "base/byte_order.h"
#include "image/config_record.h"

namespace fs = std::filesystem;

namespace buildertest {

static std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

CommandResult Shell(const std::string &command) {
    TempFolder capture;
    std::string full = "(" + command + ") >" + capture / "out" + " 2>" + capture / "err";
    int status = system(full.c_str());
    CommandResult result;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = Slurp(capture / "out");
    result.err = Slurp(capture / "err");
    return result;
}

std::string Quote(const std::string &text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

CommandResult Mksfx(const std::string &arguments) {
    return Shell(Quote(MKSFX_PATH) + " " + arguments);
}

bool InCi() {
    const char *ci = getenv("CI");
    return ci && *ci;
}

std::string TestStub() {
    std::string path = TEST_STUB_PATH;
    return !path.empty() && fs::exists(path) ? path : "";
}

TempFolder::TempFolder() {
    char pattern[] = "/tmp/mksfx-test-XXXXXX";
    path = mkdtemp(pattern);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

std::vector<uint8_t> ReadBytes(const std::string &path) {
    std::string text = Slurp(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

void WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write((const char *)bytes.data(), (std::streamsize)bytes.size());
}

void WriteText(const std::string &path, const std::string &text) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

void MakeSourceTree(const std::string &root) {
    fs::create_directories(root + "/docs/deep");
    fs::create_directories(root + "/empty");
    std::string text;
    for (int i = 0; i < 3000; i++)
        text += "line " + std::to_string(i) + " of a compressible text\n";
    WriteText(root + "/readme.txt", text);
    WriteText(root + "/docs/deep/notes with space.txt", "short\n");
    WriteText(root + "/docs/zero.dat", "");
    std::vector<uint8_t> noise(40000);
    uint32_t state = 12345;
    for (uint8_t &byte : noise) {
        state = state * 1103515245u + 12345u;
        byte = (uint8_t)(state >> 23);
    }
    WriteBytes(root + "/docs/noise.bin", noise);
}

std::map<std::string, std::string> TreeListing(const std::string &root, bool withFolders) {
    std::map<std::string, std::string> listing;
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        std::string relative = fs::relative(entry.path(), root).string();
        if (entry.is_directory()) {
            if (withFolders)
                listing[relative + "/"] = "";
        } else {
            listing[relative] = Slurp(entry.path().string());
        }
    }
    return listing;
}

std::vector<uint8_t> SyntheticStub(uint32_t fileAlignment, uint32_t sectionAlignment, unsigned sections,
                                   uint32_t headerSize) {
    const uint32_t lfanew = 0x80;
    std::vector<uint8_t> pe(headerSize + sections * fileAlignment, 0);
    uint8_t *b = pe.data();
    WriteLe16(b, kDosSignatureValue);
    WriteLe32(b + kDosLfanewOffset, lfanew);
    uint8_t *h = b + lfanew;
    WriteLe32(h, kPeSignatureValue);
    WriteLe16(h + kPeMachine, kMachineI386);
    WriteLe16(h + kPeNumberOfSections, (uint16_t)sections);
    WriteLe16(h + kPeSizeOfOptionalHeader, kPe32OptionalHeaderSize);
    WriteLe16(h + kPeMagic, kPe32Magic);
    WriteLe32(h + kPeAddressOfEntryPoint, sectionAlignment + 4);
    WriteLe32(h + kPeOptionalHeader + 28, 0x400000);   // ImageBase
    WriteLe32(h + kPeSectionAlignment, sectionAlignment);
    WriteLe32(h + kPeFileAlignment, fileAlignment);
    WriteLe32(h + kPeSizeOfImage, sectionAlignment * (sections + 1));
    WriteLe32(h + kPeSizeOfHeaders, headerSize);
    WriteLe16(h + kPeOptionalHeader + 68, 2);           // Subsystem: GUI
    WriteLe32(h + kPeNumberOfRvaAndSizes, 16);
    for (unsigned i = 0; i < sections; i++) {
        uint8_t *entry = b + lfanew + kPeHeadersSize + i * kSectionEntrySize;
        memcpy(entry + kSectionName, i == 0 ? ".data\0\0\0" : ".text\0\0\0", 8);
        WriteLe32(entry + kSectionVirtualSize, fileAlignment);
        WriteLe32(entry + kSectionVirtualAddress, sectionAlignment * (i + 1));
        WriteLe32(entry + kSectionSizeOfRawData, fileAlignment);
        WriteLe32(entry + kSectionPointerToRawData, headerSize + i * fileAlignment);
        WriteLe32(entry + kSectionCharacteristics, 0xC0000040);
    }
    memcpy(b + headerSize + 16, &configRecord, kConfigRecordSize);
    return pe;
}

uint32_t ImageView::Field(int offset) const { return ReadLe32(bytes.data() + record + offset); }
uint32_t ImageView::Pe(int offset) const { return ReadLe32(bytes.data() + lfanew + offset); }
uint32_t ImageView::Last(int offset) const { return ReadLe32(bytes.data() + lastSection + offset); }

ImageView ViewImage(const std::string &path) {
    ImageView view;
    view.bytes = ReadBytes(path);
    if (view.bytes.size() < 0x200)
        return view;
    const char *marker = CONFIG_MARKER_BYTES;
    for (size_t at = 0; at + kConfigRecordSize <= view.bytes.size(); at++)
        if (memcmp(view.bytes.data() + at, marker, kMarkerSize) == 0) {
            view.record = at;
            break;
        }
    view.lfanew = ReadLe32(view.bytes.data() + kDosLfanewOffset);
    view.sections = ReadLe16(view.bytes.data() + view.lfanew + kPeNumberOfSections);
    view.lastSection = view.lfanew + kPeHeadersSize + (view.sections - 1) * kSectionEntrySize;
    return view;
}

void WriteStoredZip(const std::string &path, const std::vector<std::pair<std::string, std::string>> &members) {
    ZipArchive archive;
    for (const auto &entry : members) {
        ZipMember member;
        member.name = entry.first;
        member.data.assign(entry.second.begin(), entry.second.end());
        member.uncompressedSize = (uint32_t)member.data.size();
        member.crc = Crc32Of(member.data.data(), member.data.size());
        member.date = (1 << 5) | 1;
        archive.members.push_back(member);
    }
    WrittenArchive written;
    Failure failure;
    WriteArchive(archive, 0, written, failure);
    WriteBytes(path, written.bytes);
}

std::string SourceTreeIn(const TempFolder &folder) {
    std::string root = folder / "src";
    MakeSourceTree(root);
    return root;
}

}  // namespace buildertest
