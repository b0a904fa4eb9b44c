// Runs each case of cases/ (the format is in cases/README.md) in a game folder of its own, with
// the engine library ENGINE; then the starts that a case cannot describe.
#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#define SetVariable(name, value) SetEnvironmentVariableA(name, std::string(value).c_str())
#else
#include <csignal>
#include <sys/stat.h>
#define SetVariable(name, value) setenv(name, std::string(value).c_str(), 1)
#endif

namespace {

namespace fs = std::filesystem;

// The game folder: a fresh folder for one test and the programs started in it. Furnished, its
// home (itself, or a folder in it) holds copies of ferrox and an engine library (and on POSIX
// the platform library) and a DirectX report, so that the tool is not run. Its "programs" is
// the whole search path, and the instance mutex is private to it (on Windows, to the Wine
// prefix). On Windows each program runs under the debug relay, which hands over its debugger
// output. Names are UTF-8.
class GameFolder {
public:
    struct Run {
        ChildId child;
        std::string debugOutput; // the file of its debugger output
        std::string standardOutput;
    };

    GameFolder() {
        fs::create_directories(Path("programs"));
        SetVariable("PATH", Path("programs"));
        SetVariable("XDG_RUNTIME_DIR", folder_.Folder());
    }
    ~GameFolder() { Stop(); }

    // `home` is "" for this folder itself.
    void Furnish(const std::string& engine, const std::string& home = "") {
        home_ = home.empty() ? "" : home + "/";
        for (const std::string& file : {std::string(FERROX), engine, std::string(PLATFORM)}) {
            file.empty() ? void() : Copy(file, Home(fs::path(file).filename().string()));
        }
        Write(Home("logs/DXDiags.txt"), "report");
    }
    // The name of a file of the home, as a name of this folder.
    std::string Home(const std::string& name) const { return home_ + name; }
    // A game still running stops when it sees this in its working directory: its home, or
    // this folder when it failed to enter its home.
    void Stop() const {
        Write(Home("stop"), "");
        Write("stop", "");
    }

    std::string Path(const std::string& name) const { return folder_.Path(name); }
    // A file, or a folder when the name ends in '/'.
    void Write(const std::string& name, const std::string& content) const {
        name.back() == '/' ? void(fs::create_directories(FilePath(Path(name))))
                           : void(folder_.Write(name, content));
    }
    void Copy(const std::string& from, const std::string& name) const {
        fs::create_directories(FilePath(Path(name)).parent_path());
        fs::copy_file(FilePath(from), FilePath(Path(name)), fs::copy_options::overwrite_existing);
    }
    // An executable file of that content, by default the argument recorder (which Windows runs
    // through a batch file where `name` is one).
    void Install(const std::string& name, const std::string& content) const {
        std::string program = name;
#ifdef _WIN32
        if (content.empty() && fs::path(name).extension() == ".bat") {
            program.replace(name.size() - 3, 3, "exe");
            Write(name, "@\"%~dp0" + fs::path(program).filename().string() + "\" %0 %*\r\n");
        }
#endif
        content.empty() ? Copy(RECORD_ARGS, program) : Write(program, content);
        fs::permissions(FilePath(Path(program)), fs::perms::owner_all);
    }

    // Starts `program` (default: the launcher) with the words, in `folder` (default: here).
    Run Start(const std::vector<std::string>& words, const std::string& program = "",
              const std::string& folder = "") {
        ChildSpec launch;
        launch.argv = {DEBUG_RELAY, program.empty()
                                        ? Path(Home(fs::path(FERROX).filename().string()))
                                        : program};
        launch.argv.erase(launch.argv.begin(), launch.argv.begin() + !*DEBUG_RELAY);
        launch.words = words;
        launch.workingDirectory = folder.empty() ? folder_.Folder() : folder;
        launch.outputPrefix = Path("run-" + std::to_string(++runs_));
        return {StartChild(launch), launch.outputPrefix + (*DEBUG_RELAY ? ".out" : ".err"),
                launch.outputPrefix + ".out"};
    }

private:
    TemporaryFolder folder_;
    std::string home_; // "" or a name ending in '/'
    int runs_ = 0;
};

struct Section {
    std::string kind, name, text;
};

std::vector<Section> ReadCase(const std::string& path) {
    std::vector<Section> sections;
    std::string text = "\n" + ReadFile(path) + "\n";
    for (size_t at = text.find("\n== "), end, next; at != std::string::npos; at = next) {
        end = text.find('\n', at + 1);
        next = text.find("\n== ", end);
        sections.emplace_back();
        std::istringstream line(text.substr(at + 4, end - at - 4));
        line >> sections.back().kind >> std::ws;
        std::getline(line, sections.back().name); // the rest of the line, inner blanks and all
        std::string& name = sections.back().name;
        name.erase(name.find_last_not_of(" \t\r") + 1);
        sections.back().text =
            text.substr(end + 1, next == std::string::npos ? text.size() - end - 2 : next - end);
    }
    return sections;
}

std::string Describe(const std::string& path) {
    return fs::is_directory(FilePath(path)) ? "<directory>\n"
           : PathExists(path)               ? ReadFile(path)
                                            : "<absent>\n";
}

std::string AtTime(std::string name, std::time_t when) {
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H%M", std::localtime(&when));
    size_t at = name.find("{time}");
    return at == std::string::npos ? name : name.replace(at, 6, stamp);
}

std::vector<std::string> CallsIn(const GameFolder& game, const std::string& file = "calls.txt") {
    return Lines(ReadFile(game.Path(file)));
}

class LauncherCase : public ::testing::TestWithParam<std::string> {};

TEST_P(LauncherCase, Runs) {
    std::vector<Section> sections = ReadCase(GetParam());
    std::map<std::string, Section> last; // the sections that occur once, by kind
    for (const Section& section : sections) {
        last[section.kind] = section;
        const std::string kKinds =
            " engine game file program copy remove cwd running fifo skip args probe "
            "run exit expect eventually size ";
        EXPECT_NE(kKinds.find(" " + section.kind + " "), std::string::npos) << section.kind;
        EXPECT_TRUE(section.kind != "engine" || section.name == "demo") << section.name;
        if (section.kind == "skip" && section.name == (*DEBUG_RELAY ? "windows" : "posix")) {
            GTEST_SKIP();
        }
    }
    GameFolder game;
    bool probe = last.count("probe");
    if (!probe) {
        game.Furnish(last.count("engine") ? DEMO_ENGINE : ENGINE, last["game"].name);
    }
    std::string folder;
    std::vector<ChildId> first;
    for (const Section& section : sections) {
        const std::string& name = section.name;
        if (section.kind == "file") {
            game.Write(name, section.text);
        } else if (section.kind == "program") {
            game.Install(name, section.text);
        } else if (section.kind == "copy") {
            game.Copy(std::string(CASES_DIR) + "/" + name, fs::path(name).filename().string());
        } else if (section.kind == "remove") {
            fs::remove_all(FilePath(game.Path(name)));
        } else if (section.kind == "cwd") {
            fs::create_directories(FilePath(folder = game.Path(name)));
        } else if (section.kind == "running") {
            SetVariable("RECORDING_ENGINE_CALLS", "first-calls.txt");
            first.push_back(game.Start({"frames=100000"}).child);
            SetVariable("RECORDING_ENGINE_CALLS", "calls.txt");
            ASSERT_TRUE(
                WaitUntil([&] { return CallsIn(game, game.Home("first-calls.txt")).size() > 3; }));
#ifndef _WIN32
        } else if (section.kind == "fifo") {
            ASSERT_EQ(mkfifo(game.Path(name).c_str(), 0600), 0);
#endif
        }
    }
    std::istringstream words(last[probe ? "probe" : "args"].text);
    std::time_t before = std::time(nullptr);
    std::string program = last.count("run") ? game.Path(last["run"].name) : "";
    GameFolder::Run run = game.Start({std::istream_iterator<std::string>(words), {}},
                                     probe ? LOG_PROBE : program, folder);
    int exitCode = WaitForChild(run.child);
    std::time_t after = std::time(nullptr);
    for (ChildId running : first) {
        game.Stop();
        EXPECT_EQ(WaitForChild(running), 0);
    }

    EXPECT_EQ(std::to_string(exitCode) + "\n", last.count("exit") ? last["exit"].text : "0\n");
    std::map<std::string, Section> checks = {{"debugger", {"expect", "", ""}},
                                             {"crash.log", {"expect", "", "<absent>\n"}},
                                             {"calls.txt", {"expect", "", "<absent>\n"}}};
    for (const Section& section : sections) {
        if (section.kind == "expect" || section.kind == "eventually" || section.kind == "size") {
            checks[section.name] = section;
        }
    }
    for (const auto& check : checks) {
        std::string name = AtTime(check.first, before), expected = check.second.text;
        name = PathExists(game.Path(name)) ? name : AtTime(check.first, after);
        std::string path = name == "debugger" ? run.debugOutput
                           : name == "stdout" ? run.standardOutput
                                              : game.Path(name);
#ifdef _WIN32
        std::regex messageBox(R"(\[MessageBox\][\s\S]*?\[/MessageBox\]\n)"); // Wine shows none
        expected = std::regex_replace(expected, messageBox, "");
#endif
        if (check.second.kind == "eventually") {
            WaitUntil([&] { return Describe(path) == expected; });
        }
        if (check.second.kind == "size") {
            EXPECT_EQ(std::to_string(ReadFile(path).size()) + "\n", expected) << name;
        } else {
            EXPECT_EQ(Describe(path), expected) << name;
        }
    }
}

std::vector<std::string> CaseFiles() {
    std::vector<std::string> cases;
    for (const auto& file : fs::recursive_directory_iterator(CASES_DIR)) {
        if (file.path().extension() == ".case") {
            cases.push_back(file.path().string());
        }
    }
    std::sort(cases.begin(), cases.end());
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, LauncherCase, ::testing::ValuesIn(CaseFiles()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = fs::relative(info.param, CASES_DIR).string();
                             name.resize(name.size() - 5);
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return !isalnum(c); }, '_');
                             return name;
                         });

TEST(StartsSetUpInCode, OfTwentyInstancesStartedAtOnceExactlyOneRuns) {
    GameFolder game;
    game.Furnish(ENGINE);
    game.Write("data/Running.scr", "Title\nText\n");
    std::vector<GameFolder::Run> running;
    for (int i = 0; i < 20; ++i) {
        running.push_back(game.Start({"frames=100000"}));
    }
    // Every instance but one gives way at once; the one that runs holds until told to stop.
    ASSERT_TRUE(WaitUntil([&] {
        for (auto run = running.begin(); run != running.end();) {
            int exitCode;
            bool ended = ChildEnded(run->child, &exitCode);
#ifndef _WIN32
            EXPECT_TRUE(!ended ||
                        ReadFile(run->debugOutput) == "[MessageBox] Title\nText\n[/MessageBox]\n");
#endif
            EXPECT_TRUE(!ended || exitCode == 0);
            run = ended ? running.erase(run) : run + 1;
        }
        return running.size() <= 1;
    }));
    ASSERT_EQ(running.size(), 1u);
    game.Stop();
    EXPECT_EQ(WaitForChild(running[0].child), 0);
    std::vector<std::string> calls = CallsIn(game);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "InitializeGameScript Ja code TestGame"), 1);
}

#ifndef _WIN32
TEST(StartsSetUpInCode, TerminationSignalShutsTheGameDownInOrder) {
    GameFolder game;
    game.Furnish(ENGINE);
    GameFolder::Run run = game.Start({"frames=100000"});
    ASSERT_TRUE(WaitUntil([&] { return CallsIn(game).size() > 3; }));
    kill(run.child, SIGTERM);
    EXPECT_EQ(WaitForChild(run.child), 143);
    std::vector<std::string> calls = CallsIn(game);
    calls.erase(calls.begin(), calls.end() - std::min<size_t>(calls.size(), 3));
    EXPECT_EQ(calls, (std::vector<std::string>{"RunFrame pending=0", "DeleteGame",
                                               "UninitializeGameScript"}));
}
#endif

} // namespace
