// Where mksfx may write: only a new or a regular file, never the input, never
// into its own input; and a build stopped by a signal leaves nothing behind.
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "builder_fixture.h"

using namespace buildertest;
namespace fs = std::filesystem;

namespace {

bool HasTemporary(const std::string &folder) {
    for (const auto &entry : fs::directory_iterator(folder))
        if (entry.path().filename().string().rfind(".mksfx-", 0) == 0)
            return true;
    return false;
}

// Each kind of thing standing at the output's name, with what mksfx does:
// `cause` empty means the build succeeds and out.exe is then a new regular
// file; otherwise the one line on stderr names the path and carries `cause`,
// and what stood there is as it was.
TEST(Output, OnlyANewOrRegularFileIsWritten) {
    REQUIRE_STUB();
    const struct {
        const char *name;
        std::string (*prepare)(const TempFolder &t);   // answers the output path
        const char *cause;
    } cases[] = {
        {"new", [](const TempFolder &t) { return t / "out.exe"; }, ""},
        {"regular", [](const TempFolder &t) {
             WriteText(t / "out.exe", "old");
             return t / "out.exe";
         }, ""},
        {"link", [](const TempFolder &t) {
             WriteText(t / "target", "old");
             fs::create_symlink(t / "target", t / "out.exe");
             return t / "out.exe";
         }, "is a symbolic link, not a regular file"},
        {"dangling link", [](const TempFolder &t) {
             fs::create_symlink(t / "nowhere", t / "out.exe");
             return t / "out.exe";
         }, "is a symbolic link, not a regular file"},
        {"fifo", [](const TempFolder &t) {
             mkfifo((t / "out.exe").c_str(), 0600);
             return t / "out.exe";
         }, "is a FIFO, not a regular file"},
        {"device", [](const TempFolder &) { return std::string("/dev/null"); },
         "is a character device, not a regular file"},
        {"folder", [](const TempFolder &t) {
             fs::create_directory(t / "out.exe");
             return t / "out.exe";
         }, "is a folder, not a regular file"},
        {"the input", [](const TempFolder &t) { return t / "in.zip"; }, "is the input itself"},
        {"the input under another name", [](const TempFolder &t) {
             fs::create_hard_link(t / "in.zip", t / "out.exe");
             return t / "out.exe";
         }, "is the input itself"},
    };
    for (const auto &c : cases) {
        TempFolder temp;
        WriteStoredZip(temp / "in.zip", {{"a.txt", "a"}});
        const std::vector<uint8_t> input = ReadBytes(temp / "in.zip");
        std::string output = c.prepare(temp);
        struct stat before = {};
        lstat(output.c_str(), &before);
        CommandResult result =
            Mksfx("-q --stub " + Quote(TestStub()) + " " + Quote(temp / "in.zip") + " -o " + Quote(output));
        struct stat after = {};
        lstat(output.c_str(), &after);
        if (*c.cause == 0) {
            EXPECT_EQ(result.status, 0) << c.name << ": " << result.err;
            EXPECT_TRUE(S_ISREG(after.st_mode)) << c.name;
            EXPECT_EQ(Shell("unzip -tq " + Quote(output)).status, 0) << c.name;
        } else {
            EXPECT_EQ(result.status, 1) << c.name;
            EXPECT_EQ(result.err.rfind("mksfx: " + output + ": " + c.cause, 0), 0u) << c.name << ": " << result.err;
            EXPECT_EQ(after.st_mode, before.st_mode) << c.name;
            EXPECT_EQ(after.st_ino, before.st_ino) << c.name;
            EXPECT_EQ(after.st_size, before.st_size) << c.name;
        }
        EXPECT_EQ(ReadBytes(temp / "in.zip"), input) << c.name;
        EXPECT_FALSE(HasTemporary(temp.path)) << c.name;
    }
}

// A regular output is replaced by a rename: a hard link to the old file
// keeps the old bytes.
TEST(Output, RegularFileIsReplacedByARename) {
    REQUIRE_STUB();
    TempFolder temp;
    WriteStoredZip(temp / "in.zip", {{"a.txt", "a"}});
    WriteText(temp / "out.exe", "old");
    fs::create_hard_link(temp / "out.exe", temp / "old.exe");
    CommandResult result = Mksfx("-q --stub " + Quote(TestStub()) + " " + Quote(temp / "in.zip") + " -o " +
                                 Quote(temp / "out.exe"));
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(ReadBytes(temp / "old.exe"), std::vector<uint8_t>({'o', 'l', 'd'}));
    EXPECT_GT(ReadBytes(temp / "out.exe").size(), 3u);
}

// An output inside the input folder, and an earlier spanned set there, are
// not packed into the next build: a second build writes the same files, of
// the same sizes, as the first.
TEST(Output, InsideTheInputFolderIsLeftOut) {
    REQUIRE_STUB();
    REQUIRE_TOOL("unzip");
    TempFolder temp;
    std::string src = SourceTreeIn(temp);
    const std::string listing = "cd " + Quote(src + "/out") + " && find . -type f -printf '%p %s\\n' | sort";
    for (const char *options : {"", "--span 64k "}) {
        fs::create_directory(src + "/out");
        std::string rounds[2];
        for (std::string &round : rounds) {
            CommandResult built = Mksfx("-q --stub " + Quote(TestStub()) + " " + options + Quote(src) + " -o " +
                                        Quote(src + "/out/self.exe"));
            ASSERT_EQ(built.status, 0) << options << built.err;
            round = Shell(listing).out;
        }
        EXPECT_EQ(rounds[1], rounds[0]) << options;
        EXPECT_NE(rounds[0].find("self.exe"), std::string::npos) << rounds[0];
        if (!*options) {
            CommandResult names = Shell("unzip -Z1 " + Quote(src + "/out/self.exe"));
            EXPECT_EQ(names.out.find("out/self"), std::string::npos) << names.out;
            EXPECT_EQ(names.out.find(".mksfx-"), std::string::npos) << names.out;
        }
        fs::remove_all(src + "/out");
    }
}

// SIGINT, SIGTERM and SIGHUP while the build waits for its input (a FIFO no
// one writes to): mksfx ends by that signal, and neither the output nor its
// temporary is left.
TEST(Output, SignalLeavesNothingBehind) {
    REQUIRE_STUB();
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        TempFolder temp;
        std::string input = temp / "in.zip", output = temp / "out/out.exe";
        fs::create_directory(temp / "out");
        ASSERT_EQ(mkfifo(input.c_str(), 0600), 0);
        pid_t child = fork();
        if (child == 0) {
            std::string stub = TestStub();
            execl(MKSFX_PATH, "mksfx", "-q", "--stub", stub.c_str(), input.c_str(), "-o", output.c_str(),
                  (char *)nullptr);
            _exit(127);
        }
        ASSERT_GT(child, 0);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!HasTemporary(temp / "out") && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_TRUE(HasTemporary(temp / "out")) << "signal " << sig;
        kill(child, sig);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "signal " << sig << ", status " << status;
        EXPECT_TRUE(fs::is_empty(temp / "out")) << "signal " << sig;
    }
}

}  // namespace
