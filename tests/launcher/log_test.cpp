// The diagnostic log, observed through a probe program that logs its arguments in a fresh
// folder: the log opens once per process, so every case is a process of its own.
#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>

namespace fs = std::filesystem;

namespace {

const char* const kDirectory = "<directory>";
const char* const kAbsent = "<absent>";

// What is at `path`: the file's bytes, kDirectory or kAbsent.
std::string Contents(const fs::path& path) {
    if (fs::is_directory(path)) {
        return kDirectory;
    }
    return fs::exists(path) ? ReadFile(path.string()) : kAbsent;
}

std::string Pattern(size_t length) {
    std::string text(length, ' ');
    for (size_t i = 0; i < length; ++i) {
        text[i] = char('a' + i % 26);
    }
    return text;
}

// The dated log's name for a local time, as the log makes it.
std::string DatedName(std::time_t when) {
    char name[64];
    std::strftime(name, sizeof name, "crash_%Y-%m-%d_%H%M.log", std::localtime(&when));
    return name;
}

struct ProbeRun {
    int exitCode;
    std::string output;      // what the echo hook printed
    std::string debugOutput; // standard error: the debugger output on POSIX
};

class LogTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = temporary_.Folder();
        NewWorkFolder();
    }

    // A fresh, empty working folder for the next case.
    void NewWorkFolder() {
        work_ = folder_ / ("work" + std::to_string(++runs_));
        fs::create_directory(work_);
    }
    fs::path Work(const std::string& name) const { return work_ / name; }

    // Files to put in the working folder first: name and content, or kDirectory.
    void Prepare(const std::map<std::string, std::string>& files) const {
        for (const auto& file : files) {
            fs::create_directories(Work(file.first).parent_path());
            if (file.second == kDirectory) {
                fs::create_directories(Work(file.first));
            } else {
                std::ofstream(Work(file.first), std::ios::binary) << file.second;
            }
        }
    }

    ProbeRun Run(const std::vector<std::string>& actions) {
        ChildSpec child;
        child.argv = {LOG_PROBE};
        child.argv.insert(child.argv.end(), actions.begin(), actions.end());
        child.workingDirectory = work_.string();
        child.outputPrefix = (folder_ / ("run" + std::to_string(++runs_))).string();
        int exitCode = WaitForChild(StartChild(child));
        return {exitCode, ReadFile(child.outputPrefix + ".out"),
                ReadFile(child.outputPrefix + ".err")};
    }

    TemporaryFolder temporary_;
    fs::path folder_;
    fs::path work_;
    int runs_ = 0;
};

TEST_F(LogTest, MessagesReachTheFileTheDebuggerAndTheHook) {
    const std::string longMessage = Pattern(16383);
    const struct {
        const char* what;
        std::map<std::string, std::string> before; // in the working folder
        std::vector<std::string> actions;
        std::string log;   // crash.log afterwards
        std::string hook;  // what the echo hook saw
        std::string debug; // debugger output
    } cases[] = {
        {"nothing logged", {{"crash.log", "previous run\n"}}, {}, "previous run\n", "", ""},
        {"hook message without hook", {}, {"only:quiet"}, kAbsent, "", ""},
        {"nothing logged, marker present", {{"debug.fnt", ""}}, {"only:quiet"}, kAbsent, "", ""},
        {"hook message opens nothing", {}, {"hook", "only:quiet"}, kAbsent, "[quiet]", ""},
        {"first message empties the old log",
         {{"crash.log", "previous run, much longer than the new one\n"}},
         {"say:alpha", "line:beta gamma", "format"},
         "alphabeta gamma\n-42 text 2.5 z|",
         "",
         "alphabeta gamma\n-42 text 2.5 z|"},
        {"hook sees both kinds of message",
         {},
         {"say:before", "hook", "say:one", "only:two", "line:three"},
         "beforeonethree\n",
         "[one][two][three\n]",
         "beforeonethree\n"},
        {"directory named debug.fnt is no marker",
         {{"debug.fnt", kDirectory}},
         {"say:x"},
         "x",
         "",
         "x"},
        {"log that cannot be created",
         {{"crash.log", kDirectory}},
         {"say:lost", "say:again"},
         kDirectory,
         "",
         "lostagain"},
        {"zero-length message", {{"crash.log", "old"}}, {"empty"}, "", "", ""},
        {"zero-length message between others", {}, {"say:a", "empty", "say:b"}, "ab", "", "ab"},
        {"long message is cut", {}, {"long:20000"}, longMessage, "", longMessage},
        {"message that just fits",
         {},
         {"long:16383", "say:!"},
         longMessage + "!",
         "",
         longMessage + "!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        NewWorkFolder();
        Prepare(c.before);
        ProbeRun run = Run(c.actions);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(Contents(Work("crash.log")), c.log);
        EXPECT_EQ(run.output, c.hook);
        EXPECT_FALSE(fs::exists(Work("logs")));
#ifndef _WIN32
        // Under Wine the debugger output goes to no stream of the child's.
        EXPECT_EQ(run.debugOutput, c.debug);
#endif
    }
}

TEST_F(LogTest, MarkerFileSelectsADatedLogInTheLogsFolder) {
    const struct {
        const char* what;
        std::map<std::string, std::string> before;
        std::vector<std::string> marker;
    } cases[] = {
        {"marker on disk", {{"debug.fnt", ""}}, {}},
        {"marker in the archive index", {}, {"pack:debug.fnt"}},
        {"logs folder there already", {{"debug.fnt", "x"}, {"logs/old.log", "kept"}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        NewWorkFolder();
        Prepare(c.before);
        std::vector<std::string> actions = c.marker;
        actions.insert(actions.end(), {"say:first ", "say:second"});
        std::time_t before = std::time(nullptr);
        ProbeRun run = Run(actions);
        std::time_t after = std::time(nullptr);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(Contents(Work("crash.log")), kAbsent);
        std::vector<std::string> logs;
        for (const auto& file : fs::directory_iterator(Work("logs"))) {
            if (file.path().filename() != "old.log") {
                logs.push_back(file.path().filename().string());
            }
        }
        ASSERT_EQ(logs.size(), 1u);
        EXPECT_TRUE(std::regex_match(logs[0], std::regex(R"(crash_\d{4}-\d\d-\d\d_\d{4}\.log)")))
            << logs[0];
        // The name is the local time of the run, to the minute.
        EXPECT_TRUE(logs[0] == DatedName(before) || logs[0] == DatedName(after)) << logs[0];
        EXPECT_EQ(Contents(Work("logs") / logs[0]), "first second");
        if (c.before.count("logs/old.log")) {
            EXPECT_EQ(Contents(Work("logs/old.log")), "kept");
        }
    }
}

} // namespace

namespace {

TEST_F(LogTest, ALogThatCannotBeCreatedIsNotTriedAgain) {
    Prepare({{"crash.log", kDirectory}});
    ProbeRun run = Run({"say:first", "remove:crash.log", "say:second"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(fs::exists(Work("crash.log")));
#ifndef _WIN32
    EXPECT_EQ(run.debugOutput, "firstsecond");
#endif
}

#ifndef _WIN32
TEST_F(LogTest, EveryCompletedMessageSurvivesAKill) {
    ChildSpec child;
    child.argv = {LOG_PROBE, "many:100000000"};
    child.workingDirectory = work_.string();
    child.outputPrefix = (folder_ / "killed").string();
    ChildId probe = StartChild(child);
    auto announced = [&] { return Lines(ReadFile(child.outputPrefix + ".out")).size(); };
    ASSERT_TRUE(WaitUntil([&] { return announced() >= 300; }, kPatience));
    kill(probe, SIGKILL);
    EXPECT_EQ(WaitForChild(probe), -SIGKILL);
    // Each message was on the disk before the probe announced it; a last one may be cut.
    std::vector<std::string> logged = Lines(ReadFile(Work("crash.log").string()));
    ASSERT_GE(logged.size(), announced());
    for (size_t n = 0; n + 1 < logged.size(); ++n) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "message %06zu", n);
        ASSERT_EQ(logged[n], expected);
    }
}
#endif

} // namespace
