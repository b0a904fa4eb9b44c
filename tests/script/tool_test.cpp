// The ferrox-script tool, run as a real program: exit status, dump text, record bytes and the
// diagnostic output of a parse.
#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

struct ToolRun {
    int exitCode;
    std::string out, err;
};

// Text as the tool wrote it, with Windows line ends made plain.
std::string Text(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) {
        text.erase(at, 1);
    }
    return text;
}

class ScriptTool : public ::testing::Test {
protected:
    ToolRun Run(const std::vector<std::string>& arguments) {
        ChildSpec launch;
        launch.argv = {FERROX_SCRIPT};
        launch.argv.insert(launch.argv.end(), arguments.begin(), arguments.end());
        launch.workingDirectory = folder_.Folder();
        launch.outputPrefix = folder_.Path("run");
        int exitCode = WaitForChild(StartChild(launch));
        return {exitCode, ReadFile(folder_.Path("run.out")), ReadFile(folder_.Path("run.err"))};
    }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder_.Path(name), std::ios::binary) << text;
    }
    TemporaryFolder folder_;
};

TEST_F(ScriptTool, ExitStatusSaysWhatCameBack) {
    Write("good.ini", "!a()\r\na()");
    Write("bad.ini", "a()");
    Write("empty.ini", "// nothing");
    const struct {
        std::vector<std::string> arguments;
        int exitCode;
    } cases[] = {
        {{"check", "good.ini"}, 0},
        {{"check", "bad.ini"}, 1},
        {{"check", "empty.ini"}, 1},
        {{"dump", "missing.ini"}, 1},
        {{}, 2},
        {{"check"}, 2},
        {{"parse", "good.ini"}, 2},
        {{"check", "a", "b"}, 2},
        {{"--help"}, 0},
    };
    for (const auto& c : cases) {
        ToolRun run = Run(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << ::testing::PrintToString(c.arguments);
        if (c.arguments.empty() || c.arguments[0] == "--help") {
            EXPECT_EQ(Text(c.exitCode == 0 ? run.out : run.err).rfind("usage: ferrox-script", 0),
                      0u);
        }
    }
}

TEST_F(ScriptTool, DumpShowsTheTreeAsLiterals) {
    Write("game.ini",
          "!level(s, i, f)\r\n!spawn(s)\r\nlevel(\"Two \\\"quoted\\\"\\t\\n\", -3, 2.5) {\r\n"
          "spawn(\"back\\\\slash\") { spawn(\"inner\") }\r\n}\r\nspawn(\"last\")\r\n");
    ToolRun run = Run({"dump", "game.ini"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(Text(run.out), "level(\"Two \\\"quoted\\\"\\t\\n\", -3, 2.5)\n"
                             "  spawn(\"back\\\\slash\")\n"
                             "    spawn(\"inner\")\n"
                             "spawn(\"last\")\n");
    EXPECT_EQ(Text(run.err), "4 entries, 2 at the top level\n");
}

TEST_F(ScriptTool, RecordWritesTheEntryRecord) {
    Write("game.ini", "!a(i) !b() !c()\na(1) { c() }\nb()");
    ToolRun run = Run({"record", "game.ini"});
    EXPECT_EQ(run.exitCode, 0);
    const unsigned char expected[] = {0x10, 0, 0, 0, 1, 0,    0,    0,    'a',  0,    0,    0,
                                      0,    1, 0, 0, 0, 0x20, 0,    0,    0,    0x10, 0,    0,
                                      0,    1, 0, 0, 0, 'c',  0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0,
                                      0,    0, 1, 0, 0, 0,    'b',  0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(run.out, std::string(reinterpret_cast<const char*>(expected), sizeof expected));
    EXPECT_EQ(run.err, "");
}

#ifndef _WIN32 // under Wine the debugger output does not reach standard error
TEST_F(ScriptTool, CheckPassesOnTheDebuggerOutputAlone) {
    Write("game.ini", "!a()\r\na();\r\nb()\r\n");
    ToolRun run = Run({"check", "game.ini"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    const std::string log = "[CQSParse] its not c!: in file 'game.ini' in line 2\na();\n\n"
                            "[CQSParse] unknown keyword b: in file 'game.ini' in line 3\nb()\n\n"
                            "Parser: cant parse file 'game.ini'\n";
    EXPECT_EQ(run.err, log);
    EXPECT_EQ(ReadFile(folder_.Path("crash.log")), log);
}
#endif

} // namespace
