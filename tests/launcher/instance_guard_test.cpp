// A second start gives way to a running instance, unless its command line holds "-ami".
#include "tests/launcher/launcher_fixture.h"

#include <filesystem>

namespace {

size_t CountLines(const std::vector<std::string>& lines, const std::string& line) {
    size_t count = 0;
    for (const std::string& each : lines) {
        count += each == line;
    }
    return count;
}

} // namespace

TEST_F(LauncherTest, SecondStartShowsTheRunningMessageAndStartsNothing) {
    WriteFile("data/Running.scr", "Busy\r\nThe game runs already.\r\n");
    std::filesystem::create_directories(Path("Params"));
    InstallCompiler();
    InstallRecorder("programs/dxdiag.exe");
    Remove("logs/DXDiags.txt");

    int first = Start({"hold=1"});
    ASSERT_TRUE(WaitUntil([&] { return CallsOf(first).size() >= 4; }, kPatience));
    ASSERT_TRUE(
        WaitUntil([&] { return CountLines(Lines(ReadFile(Path("dxdiag.exe.args"))), "finished"); },
                  kPatience));

    LauncherRun second = Run({});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(second.debugOutput, RunningMessage("Busy", "The game runs already."));
    EXPECT_TRUE(CallsOf(second.id).empty());
    EXPECT_EQ(CountLines(CompilerRecord(), "finished"), 1u);
    EXPECT_EQ(CountLines(Lines(ReadFile(Path("dxdiag.exe.args"))), "finished"), 1u);

    WriteFile("stop", "");
    EXPECT_EQ(Finish(first).exitCode, 0);
}

TEST_F(LauncherTest, AmiAnywhereInTheCommandLineLetsAnotherInstanceRun) {
    const struct {
        const char* word;
        bool runs;
    } cases[] = {{"-ami", true}, {"x-amiy", true}, {"-AMI", false}, {"ami", false}};
    WriteFile("data/Running.scr", "Title\nText\n");
    HoldInstanceMutex();
    for (const auto& c : cases) {
        LauncherRun run = Run({c.word});
        EXPECT_EQ(run.exitCode, 0) << c.word;
        if (c.runs) {
            EXPECT_EQ(run.debugOutput, "") << c.word;
            EXPECT_EQ(CallsOf(run.id).at(2), std::string("Startup [") + c.word + "] 10 0");
        } else {
            EXPECT_EQ(run.debugOutput, RunningMessage("Title", "Text")) << c.word;
            EXPECT_TRUE(CallsOf(run.id).empty()) << c.word;
        }
    }
}

TEST_F(LauncherTest, RunningMessageComesFromTheFirstTwoLinesOfRunningScr) {
    const std::string kTitle = "Error", kText = "Ferrox already running";
    const struct {
        const char* what;
        std::string content;
        std::string shown;
    } cases[] = {
        {"empty file", "", RunningMessage(kTitle, kText)},
        {"one line", "Only a title\n", RunningMessage("Only a title", kText)},
        {"one line, no line end", "Only a title", RunningMessage("Only a title", kText)},
        {"CR LF line ends", "T\r\nThe text\r\n", RunningMessage("T", "The text")},
        {"CR inside a line", "Ti\rtle\nTe\rxt\n", RunningMessage("Ti", "Te")},
        {"long first line", std::string(130, 'a') + "\nnext\n",
         RunningMessage(std::string(127, 'a'), "aaa")},
        {"long text line", "T\n" + std::string(300, 'b') + "\n",
         RunningMessage("T", std::string(255, 'b'))},
    };
    HoldInstanceMutex();
    for (const auto& c : cases) {
        WriteFile("data/Running.scr", c.content);
        LauncherRun run = Run({});
        EXPECT_EQ(run.exitCode, 0) << c.what;
        EXPECT_EQ(run.debugOutput, c.shown) << c.what;
    }
}

TEST_F(LauncherTest, RunningScrIsLookedUpInTheStartingFolder) {
    WriteFile("data/Running.scr", "Title\nText\n");
    std::filesystem::create_directories(Path("elsewhere"));
    HoldInstanceMutex();

    LauncherRun besideTheGame = Run({}, Path("elsewhere"));
    EXPECT_EQ(besideTheGame.exitCode, 0);
    EXPECT_EQ(besideTheGame.debugOutput, "");
    EXPECT_TRUE(CallsOf(besideTheGame.id).empty());

    Remove("data/Running.scr");
    LauncherRun missing = Run({});
    EXPECT_EQ(missing.exitCode, 0);
    EXPECT_EQ(missing.debugOutput, "");
}

TEST_F(LauncherTest, OfTwentyInstancesStartedAtOnceExactlyOneRuns) {
    WriteFile("data/Running.scr", "Title\nText\n");
    std::vector<int> running;
    for (int i = 0; i < 20; ++i) {
        running.push_back(Start({"hold=1"}));
    }
    std::vector<LauncherRun> refused;
    // Every instance but one gives way at once; the one that runs holds until told to stop.
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (auto id = running.begin(); id != running.end();) {
                LauncherRun run;
                if (Ended(*id, &run)) {
                    refused.push_back(run);
                    id = running.erase(id);
                } else {
                    ++id;
                }
            }
            return running.size() <= 1;
        },
        kPatience));
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(refused.size(), 19u);
    for (const LauncherRun& run : refused) {
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.debugOutput, RunningMessage("Title", "Text"));
        EXPECT_TRUE(CallsOf(run.id).empty());
    }
    EXPECT_EQ(CallsOf(running[0]).at(0), "InitializeGameScript Ja code TestGame");
    WriteFile("stop", "");
    EXPECT_EQ(Finish(running[0]).exitCode, 0);
}
