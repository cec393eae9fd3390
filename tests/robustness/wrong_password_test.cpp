// Random wrong passwords on one encrypted image. The check byte lets about
// one in 256 through; every one of those ends with the CRC message (the
// data decrypts to something else), never with success.
#include <gtest/gtest.h>

#include <random>

#include "tests/robustness/robust_fixture.h"

using namespace robust;

namespace {

class WrongPasswordTest : public RobustTest {};

TEST_F(WrongPasswordTest, PastTheCheckByteMeansABadCrc) {
    const std::string image =
        archivetest::BuildZip({EncryptedMember("locked.txt", Words(4000, 61), 8, false, 62)}).bytes;
    std::mt19937 random(2024);
    unsigned pastCheck = 0;
    const int kPasswords = 10000;
    for (int i = 0; i < kPasswords; i++) {
        std::string password(1 + random() % 16, ' ');
        for (char &c : password)
            c = (char)(' ' + random() % 95);
        if (password == kPassword)
            continue;
        UsePassword(password.c_str());
        std::string label = "password " + ::testing::PrintToString(password);
        Outcome outcome = RunChecked(image, 0, label);
        if (outcome.kind == "string 30")
            pastCheck++;
        else
            ASSERT_EQ(outcome.kind, "string 6") << label;
    }
    // One in 256 is 39 of 10,000; the bounds are six standard deviations.
    EXPECT_GE(pastCheck, 2u);
    EXPECT_LE(pastCheck, 80u);
    std::cout << "[ figures  ] wrong passwords: " << tally_.Summary() << "\n";
}

}  // namespace
