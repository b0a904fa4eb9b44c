// Runs each case of cases/ (the format is in cases/README.md), one test per case and engine;
// then the starts that a case cannot describe.
#include "tests/launcher/game_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace {

#ifdef _WIN32
const std::string kPlatform = "windows";
#else
const std::string kPlatform = "posix";
#endif

struct Section {
    std::string kind, name, text;
};

std::vector<Section> ReadCase(const std::string& path) {
    std::vector<Section> sections;
    std::string text = "\n" + ReadFile(path) + "\n";
    for (size_t at = text.find("\n== "), end, next; at != std::string::npos; at = next) {
        end = text.find('\n', at + 1);
        next = text.find("\n== ", end);
        Section section;
        std::string platform;
        std::istringstream(text.substr(at + 4, end - at - 4)) >> section.kind >> section.name >>
            platform;
        if (section.name == "windows" || section.name == "posix") {
            std::swap(section.name, platform);
        }
        section.text =
            text.substr(end + 1, next == std::string::npos ? text.size() - end - 2 : next - end);
        if (platform.empty() || platform == kPlatform) {
            sections.push_back(section);
        }
    }
    return sections;
}

std::string Describe(const std::string& path) {
    if (fs::is_directory(path)) {
        return "<directory>\n";
    }
    return fs::exists(path) ? ReadFile(path) : "<absent>\n";
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

struct CaseFile {
    std::string path, engine, name;
};
void PrintTo(const CaseFile& file, std::ostream* out) {
    *out << file.path;
}

class LauncherCase : public ::testing::TestWithParam<CaseFile> {};

TEST_P(LauncherCase, Runs) {
    std::vector<Section> sections = ReadCase(GetParam().path);
    std::map<std::string, std::string> last; // the sections that occur once, by kind
    for (const Section& section : sections) {
        last[section.kind] = section.text;
    }
    if (last.count("skip")) {
        GTEST_SKIP();
    }
    GameFolder game;
    bool probe = last.count("probe");
    if (!probe) {
        game.Furnish(GetParam().engine);
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
            fs::remove_all(game.Path(name));
        } else if (section.kind == "cwd") {
            fs::create_directories(folder = game.Path(name));
        } else if (section.kind == "running") {
            SetVariable("RECORDING_ENGINE_CALLS", "first-calls.txt");
            first.push_back(game.Start({"frames=100000"}).child);
            SetVariable("RECORDING_ENGINE_CALLS", "calls.txt");
            ASSERT_TRUE(WaitUntil([&] { return CallsIn(game, "first-calls.txt").size() > 3; }));
#ifndef _WIN32
        } else if (section.kind == "fifo") {
            ASSERT_EQ(mkfifo(game.Path(name).c_str(), 0600), 0);
#endif
        }
    }
#ifndef _WIN32
    rlimit limit, low;
    getrlimit(RLIMIT_FSIZE, &limit);
    low = limit;
    low.rlim_cur =
        last.count("file-size-limit") ? std::stoul(last["file-size-limit"]) : low.rlim_cur;
    setrlimit(RLIMIT_FSIZE, &low); // for the start to inherit
#endif
    std::istringstream words(last[probe ? "probe" : "args"]);
    std::time_t before = std::time(nullptr);
    GameFolder::Run run =
        game.Start({std::istream_iterator<std::string>(words), {}}, probe ? LOG_PROBE : "", folder);
#ifndef _WIN32
    setrlimit(RLIMIT_FSIZE, &limit);
#endif
    int exitCode = WaitForChild(run.child);
    std::time_t after = std::time(nullptr);
    for (ChildId running : first) {
        game.Write("stop", "");
        EXPECT_EQ(WaitForChild(running), 0);
    }

    EXPECT_EQ(std::to_string(exitCode) + "\n", last.count("exit") ? last["exit"] : "0\n");
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
        std::string path = name == "debugger" ? run.debugOutput : game.Path(name);
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

std::vector<CaseFile> CaseFiles() {
    std::vector<CaseFile> cases;
    for (const auto& file : fs::recursive_directory_iterator(CASES_DIR)) {
        std::string path = file.path().string();
        std::string name = fs::relative(file.path(), CASES_DIR).replace_extension().string();
        std::replace_if(
            name.begin(), name.end(), [](char c) { return !isalnum(c); }, '_');
        if (file.path().extension() == ".case") {
            cases.push_back({path, RECORDING_ENGINE, name});
#ifdef FOREIGN_ENGINE
            // The engine laid out by hand runs the launcher's cases too.
            if (ReadFile(path).find("\n== probe") == std::string::npos) {
                cases.push_back({path, FOREIGN_ENGINE, name + "_foreign_engine"});
            }
#endif
        }
    }
    std::sort(cases.begin(), cases.end(),
              [](const CaseFile& a, const CaseFile& b) { return a.name < b.name; });
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, LauncherCase, ::testing::ValuesIn(CaseFiles()),
                         [](const ::testing::TestParamInfo<CaseFile>& info) {
                             return info.param.name;
                         });

TEST(SpecialStarts, OfTwentyInstancesStartedAtOnceExactlyOneRuns) {
    GameFolder game;
    game.Furnish(RECORDING_ENGINE);
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
    game.Write("stop", "");
    EXPECT_EQ(WaitForChild(running[0].child), 0);
    std::vector<std::string> calls = CallsIn(game);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "InitializeGameScript Ja code TestGame"), 1);
}

#ifndef _WIN32
TEST(SpecialStarts, TerminationSignalShutsTheGameDownInOrder) {
    GameFolder game;
    game.Furnish(RECORDING_ENGINE);
    GameFolder::Run run = game.Start({"frames=100000"});
    ASSERT_TRUE(WaitUntil([&] { return CallsIn(game).size() > 3; }));
    kill(run.child, SIGTERM);
    EXPECT_EQ(WaitForChild(run.child), 143);
    std::vector<std::string> calls = CallsIn(game);
    ASSERT_GT(calls.size(), 5u);
    EXPECT_EQ(calls[calls.size() - 2] + " " + calls.back(), "DeleteGame UninitializeGameScript");
}

TEST(SpecialStarts, GameFolderTooLongForItsBufferLeavesTheStartFolder) {
    GameFolder game;
    game.Furnish(RECORDING_ENGINE);
    // The game folder's first 255 characters name a real folder, which the launcher would enter
    // if it cut the path there. The start is made through a link, from the start folder.
    std::string ancestor(255 - game.Path("/").size(), 'a');
    for (const char* file : {"ferrox", "libFerroxEngine2.so", "libferroxplatform.so"}) {
        game.Copy(game.Path(file), ancestor + "/game/" + file);
    }
    game.Write("game.ini", "!JavaGameClassName(s)\nJavaGameClassName(\"Start\")\n");
    game.Write(ancestor + "/game.ini", "!JavaGameClassName(s)\nJavaGameClassName(\"Ancestor\")\n");
    fs::remove(game.Path("ferrox"));
    fs::create_symlink(game.Path(ancestor + "/game/ferrox"), game.Path("ferrox"));
    EXPECT_EQ(WaitForChild(game.Start({}).child), 0);
    EXPECT_EQ(CallsIn(game).at(0), "InitializeGameScript Ja code Start");
}
#endif

} // namespace
