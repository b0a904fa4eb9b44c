// _spawnv and _spawnlp starting a real child program (echo_args), which records the argument
// vector it receives and exits with the code it is asked for.
#include "platform/win32.h"

#include "temp_folder.h"

#include <cerrno>
#include <memory>
#include <sys/wait.h>

namespace {

// Splits the record that echo_args leaves: every argument ends with a NUL.
std::vector<std::string> ReceivedArguments() {
    std::string record = ReadBytes("echo_args.out");
    std::vector<std::string> arguments;
    for (size_t start = 0; start < record.size();) {
        size_t end = record.find('\0', start);
        if (end == std::string::npos) {
            arguments.push_back("<unterminated>");
            break;
        }
        arguments.push_back(record.substr(start, end - start));
        start = end + 1;
    }
    return arguments;
}

std::vector<const char*> Vector(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(argument.c_str());
    }
    argv.push_back(nullptr);
    return argv;
}

using Spawn = TempFolderTest;

TEST_F(Spawn, WaitPassesArgumentsUnchangedAndReturnsTheExitCode) {
    const struct {
        std::vector<std::string> argv;
        intptr_t exitCode;
    } cases[] = {
        {{"echo_args"}, 0},
        {{"not the program's name", "exit=3", "two words", "", "back\\slash", "\"quoted\""}, 3},
        {{"x", "exit=255", "tab\there", "new\nline", "-flag=value"}, 255},
    };
    for (const auto& c : cases) {
        std::remove("echo_args.out");
        EXPECT_EQ(_spawnv(_P_WAIT, ECHO_ARGS, Vector(c.argv).data()), c.exitCode) << c.argv[0];
        EXPECT_EQ(ReceivedArguments(), c.argv);
    }
}

TEST_F(Spawn, FailuresReportErrno) {
    WriteBytes("not-executable", "#!/bin/sh\nexit 0\n", 0644);
    WriteBytes("garbage", std::string("\x01\x02garbage\x7f\x00\xff", 12), 0755);
    const struct {
        int mode;
        const char* program;
        int error;
    } cases[] = {
        {_P_WAIT, "Missing\\program", ENOENT},
        {_P_WAIT, "./no-such-program", ENOENT},
        {_P_WAIT, "./not-executable", EACCES},
        {_P_WAIT, ".\\garbage", ENOEXEC},
        {_P_NOWAIT, ".\\garbage", ENOEXEC},
        {-1, ECHO_ARGS, EINVAL},
        {99, ECHO_ARGS, EINVAL},
    };
    const char* const argv[] = {"child", nullptr};
    for (const auto& c : cases) {
        errno = 0;
        EXPECT_EQ(_spawnv(c.mode, c.program, argv), -1) << c.program;
        EXPECT_EQ(errno, c.error) << c.program << " mode " << c.mode;
    }
    EXPECT_EQ(ReadBytes("echo_args.out"), "<missing>"); // nothing ran
}

class SpawnAlongPath : public TempFolderTest {
protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        ASSERT_EQ(mkdir("bin", 0755), 0);
        ASSERT_EQ(symlink(ECHO_ARGS, "bin/ferrox-echo-args"), 0);
        path_.reset(new ScopedVariable("PATH", "/nonexistent:" + folder_ + "/bin"));
    }
    void TearDown() override {
        path_.reset();
        TempFolderTest::TearDown();
    }
    std::unique_ptr<ScopedVariable> path_;
};

TEST_F(SpawnAlongPath, WaitFindsABareName) {
    EXPECT_EQ(_spawnlp(_P_WAIT, "ferrox-echo-args", "echo", "exit=4", "a b", nullptr), 4);
    EXPECT_EQ(ReceivedArguments(), (std::vector<std::string>{"echo", "exit=4", "a b"}));
    std::remove("echo_args.out");
    // A name with a separator is a path, not looked up along PATH.
    EXPECT_EQ(_spawnlp(_P_WAIT, "BIN\\ferrox-echo-args", "echo", "exit=6", nullptr), 6);
    EXPECT_EQ(ReceivedArguments(), (std::vector<std::string>{"echo", "exit=6"}));

    errno = 0;
    EXPECT_EQ(_spawnlp(_P_WAIT, "ferrox-no-such-program", "x", nullptr), -1);
    EXPECT_EQ(errno, ENOENT);
}

TEST_F(SpawnAlongPath, NoWaitReturnsTheRunningChild) {
    intptr_t child = _spawnlp(_P_NOWAIT, "ferrox-echo-args", "updater", "exit=9", "-q", nullptr);
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid_t(child), &status, 0), pid_t(child)); // it is our own child
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 9);
    EXPECT_EQ(ReceivedArguments(), (std::vector<std::string>{"updater", "exit=9", "-q"}));
}

} // namespace
