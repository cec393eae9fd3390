// The input side: refills of member data in 2048-byte pieces that never pass
// the member, read errors, disk changes of spanned archives, and the
// traditional decryption with its password check.
#include <gtest/gtest.h>
#include <string.h>

#include "archive/cipher_keys.h"
#include "archive/member_input.h"
#include "archive/zip_crypto.h"
#include "base/crc32.h"
#include "base/error_exit.h"
#include "codec/inflate.h"
#include "platform/host/host_control.h"
#include "tests/codec/codec_harness.h"
#include "tests/support/test_support.h"

namespace {

class InputTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = testsupport::FreshMachine("input");
        testsupport::SetImagePath("C:\\SFX.EXE");
    }
    void TearDown() override { testsupport::ReleaseMachine(root_); }

    void OpenArchive(const std::string &windowsPath, const std::string &bytes) {
        hostsim::WriteHostFile(hostsim::HostPath(windowsPath), bytes);
        ctx.archiveFile = _lopen(windowsPath.c_str(), OF_READ);
        ASSERT_GT(ctx.archiveFile, 0);
    }

    long ArchivePosition() { return _llseek(ctx.archiveFile, 0, FILE_CURRENT); }

    // Runs work under a guard; answers the guard code and the text of the
    // box it showed ("" for none).
    int Guarded(void (*work)(), std::string *box) {
        size_t boxes = hostsim::Sim().transcript.size();
        int code = GuardedCall(work);
        *box = hostsim::Sim().transcript.size() > boxes ? hostsim::Sim().transcript.back().text : "";
        return code;
    }

    std::string root_;
};

struct Refill {
    int got;
    int32_t inputCount;
};

TEST_F(InputTest, RefillsInPiecesUpToTheMemberEnd) {
    std::string member = codectest::SampleData("random").substr(0, 5000);
    OpenArchive("C:\\ARCHIVE.BIN", member + "NEXT MEMBER");
    ctx.memberBytesLeft = 5000;
    const Refill expected[] = {{2048, 2047}, {2048, 2047}, {904, 903}, {0, 0}, {0, 0}};
    size_t offset = 0;
    for (const Refill &e : expected) {
        int got = RefillInput();
        EXPECT_EQ(e.got, got);
        EXPECT_EQ(e.inputCount, ctx.inputCount);
        if (got > 0) {
            EXPECT_EQ(ctx.inputBuffer, ctx.inputCursor);
            EXPECT_EQ(0, memcmp(ctx.inputBuffer, member.data() + offset, (size_t)got));
            offset += (size_t)got;
        }
    }
    EXPECT_EQ(0u, ctx.memberBytesLeft);
    EXPECT_EQ(5000, ArchivePosition());
}

// FetchByte as the stored copy uses it: every byte in order, then "no byte"
// with the destination untouched, again and again.
TEST_F(InputTest, FetchByteTakesEveryByteThenReportsTheEnd) {
    std::string member = codectest::SampleData("text").substr(0, 3000);
    OpenArchive("C:\\ARCHIVE.BIN", member);
    ctx.memberBytesLeft = 3000;
    ctx.inputCount = 0;
    std::string seen;
    uint16_t byte = 0;
    while (FetchByte(&byte) == 1)
        seen += (char)byte;
    EXPECT_EQ(member, seen);
    byte = 0x1234;
    EXPECT_EQ(0, FetchByte(&byte));
    EXPECT_EQ(0x1234, byte);
    EXPECT_EQ(0, ctx.inputCount);
}

TEST_F(InputTest, ShortReadOfMemberDataIsReadError2) {
    const std::string expectedBox =
        "Error reading C:\\SFX.EXE.  Possible cause: bad disk or file transfer error. <2>";
    std::string box;
    OpenArchive("C:\\ARCHIVE.BIN", std::string(1000, 'x'));
    ctx.memberBytesLeft = 5000;                  // the file ends first
    EXPECT_EQ(kGuardFailed, Guarded([] { RefillInput(); }, &box));
    EXPECT_EQ(expectedBox, box);

    _llseek(ctx.archiveFile, 0, FILE_BEGIN);
    ctx.memberBytesLeft = 1000;
    hostsim::Sim().readLimit = 100;              // the platform answers less than asked
    EXPECT_EQ(kGuardFailed, Guarded([] { RefillInput(); }, &box));
    EXPECT_EQ(expectedBox, box);

    // The image's name as it is, whatever the ANSI code page lacks.
    testsupport::SetImagePath("C:\\установка.exe");
    _llseek(ctx.archiveFile, 0, FILE_BEGIN);
    ctx.memberBytesLeft = 5000;
    EXPECT_EQ(kGuardFailed, Guarded([] { RefillInput(); }, &box));
    EXPECT_EQ("Error reading C:\\установка.exe.  Possible cause: bad disk or file transfer error. <2>", box);
}

class SpannedInputTest : public InputTest {
protected:
    // Disk 1's volume is opened here as the archive file; the drive A holds
    // disk 2 (labelled so) with the volume file next to the program.
    void SetUpVolumes(const std::string &first, const std::string &second) {
        hostsim::Sim().volumeLabels['A'] = "PKBACK# 002";
        hostsim::WriteHostFile(hostsim::HostPath("A:\\SFX.ZIP"), second);
        testsupport::SetImagePath("A:\\SFX.EXE");
        ctx.spanned = 1;
        ctx.exeVolumes = 0;
        ctx.currentDisk = 1;
        OpenArchive("C:\\DISK1.ZIP", first);
    }
};

TEST_F(SpannedInputTest, ShortReadMovesToTheNextDisk) {
    std::string member = codectest::SampleData("random").substr(0, 3000);
    SetUpVolumes(member.substr(0, 2148), member.substr(2148));
    ctx.memberBytesLeft = 3000;
    const Refill expected[] = {{2048, 2047}, {100, 99}, {852, 851}, {0, 0}};
    std::string seen;
    for (const Refill &e : expected) {
        int got = RefillInput();
        EXPECT_EQ(e.got, got);
        EXPECT_EQ(e.inputCount, ctx.inputCount);
        seen.append((const char *)ctx.inputBuffer, (size_t)got);
    }
    EXPECT_EQ(member, seen);
    EXPECT_EQ(2, ctx.currentDisk);
}

TEST_F(SpannedInputTest, VolumeEndingAtAPieceBoundaryReadsTheNextDiskAtOnce) {
    std::string member = codectest::SampleData("random").substr(0, 3000);
    SetUpVolumes(member.substr(0, 2048), member.substr(2048));
    ctx.memberBytesLeft = 3000;
    EXPECT_EQ(2048, RefillInput());
    EXPECT_EQ(952, RefillInput());
    EXPECT_EQ(0, memcmp(ctx.inputBuffer, member.data() + 2048, 952));
    EXPECT_EQ(2, ctx.currentDisk);
}

TEST_F(SpannedInputTest, EmptyNextVolumeGivesNothing) {
    SetUpVolumes(std::string(2048, 'a'), "");
    ctx.memberBytesLeft = 3000;
    EXPECT_EQ(2048, RefillInput());
    EXPECT_EQ(0, RefillInput());
    EXPECT_EQ(0, ctx.inputCount);
    EXPECT_EQ(952u, ctx.memberBytesLeft);
}

// --- the traditional encryption ------------------------------------------

// An independent encryptor, to make members the tests need.
struct Cipher {
    uint32_t keys[3] = {0x12345678u, 0x23456789u, 0x34567890u};
    explicit Cipher(const std::string &password) {
        for (char c : password)
            Update((uint8_t)c);
    }
    void Update(uint8_t plain) {
        keys[0] = Crc(keys[0], plain);
        keys[1] = (keys[1] + (keys[0] & 0xFF)) * 134775813u + 1;
        keys[2] = Crc(keys[2], (uint8_t)(keys[1] >> 24));
    }
    static uint32_t Crc(uint32_t crc, uint8_t byte) {
        crc ^= byte;
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
        return crc;
    }
    std::string Encrypt(const std::string &plain) {
        std::string out;
        for (char c : plain) {
            uint32_t t = (keys[2] | 2) & 0xFFFF;
            out += (char)((uint8_t)c ^ (uint8_t)((t * (t ^ 1)) >> 8));
            Update((uint8_t)c);
        }
        return out;
    }
};

// The member fields the check reads, as the walk would have set them.
void SetMember(uint16_t time, uint32_t crc, bool descriptor, uint32_t size) {
    ctx.localHeader.time = time;
    ctx.localHeader.crc32 = crc;
    ctx.descriptorFollows = descriptor;
    ctx.currentEntryEncrypted = 1;
    ctx.memberBytesLeft = size;
}

// The password as the password dialog leaves it: a global block.
void UsePassword(const char *text) {
    if (ctx.passwordText)
        GlobalFree(GlobalHandle(ctx.passwordText));
    ctx.passwordText = (char *)GlobalLock(GlobalAlloc(GPTR, (size_t)lstrlenA(text) + 1));
    lstrcpyA(ctx.passwordText, text);
}

TEST_F(InputTest, CheckByteComesFromTheTimeWithADescriptor) {
    struct Case {
        bool descriptor;
        uint8_t checkByte;
        int fits;
    } cases[] = {
        {false, 0xCC, 1},                        // CRC 0xCC...: its high byte
        {false, 0x5B, 0},
        {true, 0x5B, 1},                         // time 0x5Bxx: its high byte
        {true, 0xCC, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.descriptor) + " " + std::to_string(c.checkByte));
        std::string header = "elevenbytes";
        header += (char)c.checkByte;
        OpenArchive("C:\\ARCHIVE.BIN", Cipher("pw").Encrypt(header));
        SetMember(0x5BF7, 0xCC2E5717, c.descriptor, 12);
        UsePassword("pw");
        EXPECT_EQ(c.fits, ReadEncryptionHeader());
        EXPECT_EQ(0u, ctx.memberBytesLeft);
        _lclose(ctx.archiveFile);
    }
}

TEST_F(InputTest, EncryptionHeaderEdges) {
    std::string box;
    OpenArchive("C:\\ARCHIVE.BIN", std::string(100, 'x'));
    SetMember(0, 0, false, 100);
    ASSERT_EQ(nullptr, ctx.passwordText);        // no password: nothing read
    EXPECT_EQ(0, ReadEncryptionHeader());
    EXPECT_EQ(100u, ctx.memberBytesLeft);
    EXPECT_EQ(0, ArchivePosition());

    UsePassword("pw");
    ctx.memberBytesLeft = 11;                    // cannot even hold the header
    EXPECT_EQ(kGuardFailed, Guarded([] { ReadEncryptionHeader(); }, &box));
    EXPECT_EQ("Error reading C:\\SFX.EXE.  Possible cause: bad disk or file transfer error. <14>", box);
    EXPECT_EQ(11u, ctx.memberBytesLeft);
    EXPECT_EQ(0, ArchivePosition());

    _lclose(ctx.archiveFile);
    OpenArchive("C:\\ARCHIVE.BIN", "short");     // the file ends inside the header
    ctx.memberBytesLeft = 100;
    EXPECT_EQ(kGuardFailed, Guarded([] { ReadEncryptionHeader(); }, &box));
    EXPECT_EQ("Error reading C:\\SFX.EXE.  Possible cause: bad disk or file transfer error. <14>", box);
}

// A member of 1000 compressed bytes: the header takes 12, the data refill
// asks for the 988 behind it, decrypted; a password of bytes above 127
// stirs the keys with their unsigned values.
TEST_F(InputTest, DataContinuesTheHeaderKeystream) {
    const char highPassword[] = "p\xE9\xFFss";
    std::string plain = codectest::SampleData("text").substr(0, 988);
    Cipher cipher(highPassword);
    std::string header = "randomhead.";
    header += (char)0xAB;
    std::string member = cipher.Encrypt(header);
    member += cipher.Encrypt(plain);
    OpenArchive("C:\\ARCHIVE.BIN", member + "after");
    SetMember(0, 0xAB000000, false, 1000);
    UsePassword(highPassword);
    ASSERT_EQ(1, ReadEncryptionHeader());
    EXPECT_EQ(988, RefillInput());
    EXPECT_EQ(0, memcmp(ctx.inputBuffer, plain.data(), 988));
    EXPECT_EQ(1000, ArchivePosition());
}

TEST_F(InputTest, KeystreamDependsOnTheLowHalfOfKey2Only) {
    uint32_t keys[kCipherKeyCount] = {0, 0, 0x0000ABCD};
    uint8_t low = CipherKeystreamByte(keys);
    for (uint32_t high : {0x1234u, 0xFFFFu, 0x8000u}) {
        keys[2] = high << 16 | 0xABCD;
        EXPECT_EQ(low, CipherKeystreamByte(keys));
    }
}

// One member of a ZIP file made by another tool, as the walk would present
// it: the archive file standing at the member's encryption header.
struct ZipMember {
    uint16_t flags, method, time;
    uint32_t crc, compressedSize;
};

ZipMember OpenFirstMember(const std::string &zipPath) {
    std::string zip = testsupport::ReadFile(zipPath);
    auto u16 = [&](size_t at) { return (uint16_t)((uint8_t)zip[at] | (uint8_t)zip[at + 1] << 8); };
    auto u32 = [&](size_t at) { return (uint32_t)u16(at) | (uint32_t)u16(at + 2) << 16; };
    ZipMember m = {u16(6), u16(8), u16(10), u32(14), u32(18)};
    hostsim::WriteHostFile(hostsim::HostPath("C:\\ARCHIVE.ZIP"), zip);
    ctx.archiveFile = _lopen("C:\\ARCHIVE.ZIP", OF_READ);
    _llseek(ctx.archiveFile, 30 + u16(26) + u16(28), FILE_BEGIN);
    ctx.localHeader.time = m.time;
    ctx.localHeader.crc32 = m.crc;
    ctx.currentEntryEncrypted = m.flags & 1;
    ctx.descriptorFollows = (m.flags >> 3) & 1;
    ctx.memberBytesLeft = m.compressedSize;
    return m;
}

// The member's data after the header check: inflated, or taken byte by byte.
std::string MemberData(const ZipMember &m) {
    if (m.method == 8)
        return codectest::DecodeOpenArchive().output;
    std::string out;
    uint16_t byte;
    ctx.inputCount = 0;
    while (FetchByte(&byte))
        out += (char)byte;
    return out;
}

TEST_F(InputTest, DecryptsMembersOfOtherTools) {
    std::string text = codectest::SampleData("text").substr(0, 30000);
    std::string input = codectest::HostTemp("plain.txt");
    testsupport::WriteFile(input, text);
    struct Tool {
        const char *name;
        std::string command;
        uint16_t method;
        bool descriptor;
    } tools[] = {
        // zip writes a data descriptor behind encrypted members: its check
        // byte is the time's high byte.
        {"zip deflated", "zip -q -j -P secret", 8, true},
        {"zip stored", "zip -q -j -0 -P secret", 0, true},
        {"zip, password above ASCII", "zip -q -j -P \"$(printf 'p\\351ss')\"", 8, true},
        {"7z ZipCrypto", "7z a -tzip -mem=ZipCrypto -psecret >/dev/null", 8, false},
    };
    for (const Tool &tool : tools) {
        SCOPED_TRACE(tool.name);
        std::string zip = codectest::HostTemp("crypt.zip");
        ASSERT_EQ(0, testsupport::Run("rm -f '" + zip + "' && " + tool.command + " '" + zip + "' '" + input + "'"));
        ZipMember m = OpenFirstMember(zip);
        ASSERT_EQ(1, m.flags & 1);
        EXPECT_EQ(tool.method, m.method);
        EXPECT_EQ(tool.descriptor, (m.flags >> 3) & 1);
        UsePassword(std::string(tool.name).find("ASCII") != std::string::npos ? "p\351ss" : "secret");
        ASSERT_EQ(1, ReadEncryptionHeader());
        std::string data = MemberData(m);
        EXPECT_TRUE(data == text);
        EXPECT_EQ(m.crc, Crc32Of((const uint8_t *)data.data(), data.size()));
        _lclose(ctx.archiveFile);
        ctx.archiveFile = 0;
    }
}

// A wrong password is refused by the check byte, except about one in 256,
// whose data then decrypts to something that fails the CRC-32.
TEST_F(InputTest, WrongPasswordsFailTheCheckOrTheCrc) {
    std::string text = codectest::SampleData("text").substr(0, 20000);
    std::string input = codectest::HostTemp("plain.txt");
    testsupport::WriteFile(input, text);
    std::string zip = codectest::HostTemp("wrong.zip");
    ASSERT_EQ(0, testsupport::Run("rm -f '" + zip + "' && zip -q -j -P secret '" + zip + "' '" + input + "'"));

    ZipMember m = OpenFirstMember(zip);
    UsePassword("Secret");
    EXPECT_EQ(0, ReadEncryptionHeader());
    _lclose(ctx.archiveFile);

    int passing = -1;
    for (int i = 0; i < 5000 && passing < 0; i++) {
        m = OpenFirstMember(zip);
        UsePassword(("wrong" + std::to_string(i)).c_str());
        if (ReadEncryptionHeader() == 1)
            passing = i;
        else
            _lclose(ctx.archiveFile);
    }
    ASSERT_GE(passing, 0);
    std::string data = MemberData(m);
    EXPECT_NE(m.crc, Crc32Of((const uint8_t *)data.data(), data.size()));
}

}  // namespace
