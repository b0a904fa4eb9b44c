// The launcher's start-up steps, the engine hand-off, the message loop and the shut-down,
// observed through the real executable and the recording engine.
#include "tests/launcher/launcher_fixture.h"

#include <csignal>
#include <filesystem>

using Calls = std::vector<std::string>;

TEST_F(LauncherTest, FirstStartHandsOverToTheEngineRunsFramesAndShutsDownInOrder) {
    std::filesystem::create_directories(Path("elsewhere"));
    LauncherRun run = Run({"frames=3", "quit=3"}, Path("elsewhere"));
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.debugOutput, "");
    // The calls land in the game folder: the launcher made it the working directory.
    EXPECT_EQ(CallsOf(run.id),
              (Calls{"InitializeGameScript Ja code TestGame", "CreateGame TestGame module 1",
                     "Startup [frames=3 quit=3] 10 0", "RunFrame pending=0", "RunFrame pending=0",
                     "RunFrame pending=0", "DeleteGame", "UninitializeGameScript"}));
}

TEST_F(LauncherTest, GameSeesTheCommandLineAsGiven) {
    const struct {
        std::vector<std::string> words;
        std::string startup;
    } cases[] = {
        {{}, "Startup [] 10 0"},
        {{"a", "\"b c\"", "x\\y"}, "Startup [a \"b c\" x\\y] 10 0"},
    };
    for (const auto& c : cases) {
        LauncherRun run = Run(c.words);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(CallsOf(run.id).at(2), c.startup);
    }
}

TEST_F(LauncherTest, StartupThatDeclinesSkipsTheLoopButNotTheShutDown) {
    LauncherRun run = Run({"startup=1"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(CallsOf(run.id),
              (Calls{"InitializeGameScript Ja code TestGame", "CreateGame TestGame module 1",
                     "Startup [startup=1] 10 0", "DeleteGame", "UninitializeGameScript"}));
}

TEST_F(LauncherTest, WaitingMessagesAreHandledBeforeTheNextFrame) {
    LauncherRun run = Run({"post=5", "frames=2"});
    EXPECT_EQ(run.exitCode, 0);
    Calls calls = CallsOf(run.id);
    ASSERT_EQ(calls.size(), 7u);
    EXPECT_EQ(calls[3], "RunFrame pending=0");
    EXPECT_EQ(calls[4], "RunFrame pending=0");
}

TEST_F(LauncherTest, NoGameObjectEndsInAnOrderlyShutDown) {
    LauncherRun run = Run({}, "", {"RECORDING_ENGINE_NO_GAME=1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.debugOutput, "CreateGame returned no game object\n");
    EXPECT_EQ(CallsOf(run.id), (Calls{"InitializeGameScript Ja code TestGame",
                                      "CreateGame TestGame module 1", "UninitializeGameScript"}));
}

#ifndef _WIN32
TEST_F(LauncherTest, TerminationSignalShutsTheGameDownInOrder) {
    int id = Start({"hold=1"});
    ASSERT_TRUE(WaitUntil([&] { return CallsOf(id).size() >= 4; }, kPatience));
    kill(ProcessOf(id), SIGTERM);
    LauncherRun run = Finish(id);
    EXPECT_EQ(run.exitCode, 143);
    Calls calls = CallsOf(id);
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(calls[calls.size() - 2], "DeleteGame");
    EXPECT_EQ(calls.back(), "UninitializeGameScript");
}
#endif

TEST_F(LauncherTest, ParamsFolderIsCompiledOnEveryStartAndWaitedFor) {
    const Calls compileOnce = {"JDK\\bin\\compile.bat", "-classpath", "Java", "-d", "Java",
                               "Params\\*.java",        "finished"};
    InstallCompiler();
    std::vector<std::string> slowly = {"RECORD_ARGS_DELAY_MS=300"};

    WriteFile("Params", "a plain file is no parameter folder");
    EXPECT_EQ(Run({}, "", slowly).exitCode, 0);
    EXPECT_TRUE(CompilerRecord().empty());

    Remove("Params");
    std::filesystem::create_directories(Path("Params"));
    EXPECT_EQ(Run({}, "", slowly).exitCode, 0);
    // "finished" is there the moment the launcher ends: it waited for the compiler.
    EXPECT_EQ(CompilerRecord(), compileOnce);
    EXPECT_EQ(Run({}, "", slowly).exitCode, 0);
    EXPECT_EQ(CompilerRecord().size(), 2 * compileOnce.size());
}

TEST_F(LauncherTest, DirectXReportIsRequestedUntilItExists) {
    const std::string kTrying = "Trying to run DXdiag.exe ... \n";
#ifdef _WIN32
    // Wine's runtime reports EINVAL for a file that is no program, where Windows says ENOEXEC.
    const std::string kNotAProgram = "... ERROR: mode argument is invalid\n";
#else
    const std::string kNotAProgram =
        "... ERROR: Specified file is not executable or has invalid executable-file format\n";
#endif
    const struct {
        const char* what;
        const char* report;  // the report file present, or null
        const char* program; // what stands on the search path as dxdiag.exe, or null
        std::string debugOutput;
    } cases[] = {
        {"report present", "logs/DXDiags.txt", "recorder", ""},
        {"report present in other case", "LOGS/dxdiags.TXT", "recorder", ""},
        {"tool started", nullptr, "recorder", kTrying + "... OK\n"},
        {"tool missing", nullptr, nullptr, kTrying + "... ERROR: File or path is not found\n"},
        {"tool not a program", nullptr, "garbage", kTrying + kNotAProgram},
    };
    for (const auto& c : cases) {
        Remove("logs");
        Remove("LOGS");
        Remove("programs"); // the tool that the case before started may still be ending
        std::filesystem::create_directories(programsFolder_);
        Remove("dxdiag.exe.args");
        if (c.report) {
            WriteFile(c.report, "report");
        }
        if (c.program && std::string(c.program) == "recorder") {
            InstallRecorder("programs/dxdiag.exe");
        } else if (c.program) {
            WriteFile("programs/dxdiag.exe", "not a program");
            std::filesystem::permissions(Path("programs/dxdiag.exe"), std::filesystem::perms::all);
        }
        LauncherRun run = Run({});
        EXPECT_EQ(run.exitCode, 0) << c.what;
        EXPECT_EQ(run.debugOutput, c.debugOutput) << c.what;
        if (!c.report) {
            EXPECT_TRUE(std::filesystem::is_directory(Path("logs"))) << c.what;
        }
        if (c.report || !c.program || std::string(c.program) != "recorder") {
            EXPECT_FALSE(PathExists(Path("dxdiag.exe.args"))) << c.what;
            continue;
        }
        // The launcher does not wait for the tool; the tool's record shows up in its own time.
        EXPECT_TRUE(WaitUntil([&] { return Lines(ReadFile(Path("dxdiag.exe.args"))).size() == 3; },
                              kPatience));
        EXPECT_EQ(Lines(ReadFile(Path("dxdiag.exe.args"))),
                  (Calls{"/t", "logs/DXDiags.txt", "finished"}))
            << c.what;
    }
}
