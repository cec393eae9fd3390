// passwordText across OK presses: replaced, kept, or lost with its memory.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/test_support.h"
#include "ui/password_text.h"

using hostsim::Sim;

namespace {

TEST(PasswordText, EachConfirmedTextReplacesTheLast) {
    std::string root = testsupport::FreshMachine("password");
    const std::string longest(kPasswordReadLimit - 1, 'p');
    struct Case {
        const char *label;
        std::string typed;
        bool allocationFails;
        int stored;
        const char *after;   // nullptr = passwordText null
    } cases[] = {
        {"first", "secret", false, 1, "secret"},
        {"empty keeps the last", "", false, 0, "secret"},
        {"replaced", "other", false, 1, "other"},
        {"longest", longest, false, 1, longest.c_str()},
        {"no memory loses the last", "third", true, 0, nullptr},
        {"after a loss", "fourth", false, 1, "fourth"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        Sim().failAt[hostsim::kFaultGlobalAlloc] = c.allocationFails ? Sim().calls[hostsim::kFaultGlobalAlloc] + 1 : 0;
        EXPECT_EQ(StorePassword(c.typed.c_str(), (int)c.typed.size()), c.stored);
        if (c.after)
            ASSERT_STREQ(ctx.passwordText, c.after);
        else
            EXPECT_EQ(ctx.passwordText, nullptr);
    }
    testsupport::ReleaseMachine(root);
}

}  // namespace
