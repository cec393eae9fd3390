// Passwords given out of sight of the shell history and the process list:
// the first line of a file or of standard input, or typed at a prompt that
// does not echo (here on a pseudo-terminal made by script).
#include <filesystem>

#include "builder_fixture.h"

using namespace buildertest;

namespace {

TEST(Password, FromAFileStandardInputOrAQuietPrompt) {
    REQUIRE_STUB();
    REQUIRE_TOOL("unzip");
    REQUIRE_TOOL("script");
    REQUIRE_TOOL("setsid");
    TempFolder temp;
    std::string source = SourceTreeIn(temp), image = temp / "out.exe";
    WriteText(temp / "pw", "s3cret word\nsecond line\n");
    const std::string build = Quote(MKSFX_PATH) + " -q --stub " + Quote(TestStub()) + " " + Quote(source) + " -o " +
                              Quote(image);
    // Typed slowly, so that each line reaches the terminal after its prompt.
    const std::string typeTwice = "(sleep 1; printf 's3cret word\\r'; sleep 1; printf 's3cret word\\r'; sleep 1) | ";
    const struct {
        const char *name;
        std::string command;
        int status;
        std::string says;       // in stdout and stderr together
    } cases[] = {
        {"file", build + " --password-file " + Quote(temp / "pw"), 0, ""},
        {"standard input", "printf 's3cret word\\r\\n' | " + build + " --password-file -", 0, ""},
        {"prompt", typeTwice + "script -qec " + Quote(build + " --ask-password") + " /dev/null", 0, "Password again: "},
        {"prompt, typed differently",
         "(sleep 1; printf 'one\\r'; sleep 1; printf 'two\\r'; sleep 1) | script -qec " +
             Quote(build + " --ask-password") + " /dev/null",
         1, "mksfx: --ask-password: the two passwords typed differ"},
        {"prompt without a terminal", "setsid " + build + " --ask-password </dev/null", 1,
         "mksfx: --ask-password: needs a terminal to ask on"},
        {"empty file", "printf '\\n' | " + build + " --password-file -", 1,
         "mksfx: standard input: holds no password"},
    };
    for (const auto &c : cases) {
        std::filesystem::remove(image);
        CommandResult result = Shell(c.command);
        std::string said = result.out + result.err;
        EXPECT_EQ(result.status, c.status) << c.name << ": " << said;
        EXPECT_NE(said.find(c.says), std::string::npos) << c.name << ": " << said;
        EXPECT_EQ(said.find("s3cret"), std::string::npos) << c.name << ": the password was echoed: " << said;
        if (c.status != 0)
            continue;
        EXPECT_EQ(Shell("unzip -qt -P 's3cret word' " + Quote(image)).status, 0) << c.name;
        EXPECT_NE(Shell("unzip -qt -P 's3cret' " + Quote(image)).status, 0) << c.name;
        CommandResult checked = Mksfx("info --password-file " + Quote(temp / "pw") + " " + Quote(image));
        EXPECT_EQ(checked.status, 0) << c.name << ": " << checked.err;
        EXPECT_EQ(checked.out.find("not checked"), std::string::npos) << c.name << ": " << checked.out;
    }
}

}  // namespace
