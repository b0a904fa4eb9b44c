// The ferrox-script tool, run as a real program on the case files of tests/script/tool_cases:
// each NAME.expected holds the command line, the exit status and the exact standard error,
// and may go on with "--- stdout" or "--- FILE" sections for what the run must write. Every
// run happens in a fresh copy of the cases, beside a debug.fnt, and must leave no log behind.
#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

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
    ScriptTool() {
        std::filesystem::copy(FERROX_TOOL_CASES, folder_.Folder(),
                              std::filesystem::copy_options::recursive);
    }
    ToolRun Run(const std::vector<std::string>& arguments) {
        ChildSpec launch;
        launch.argv = {FERROX_SCRIPT};
        launch.argv.insert(launch.argv.end(), arguments.begin(), arguments.end());
        launch.workingDirectory = folder_.Folder();
        launch.outputPrefix = folder_.Path("run");
        int exitCode = WaitForChild(StartChild(launch));
        return {exitCode, ReadFile(folder_.Path("run.out")), ReadFile(folder_.Path("run.err"))};
    }
    TemporaryFolder folder_;
};

TEST_F(ScriptTool, EveryCaseFileGivesItsExpectedOutput) {
    int cases = 0;
    for (const auto& file : std::filesystem::directory_iterator(FERROX_TOOL_CASES)) {
        if (file.path().extension() != ".expected") {
            continue;
        }
        ++cases;
        std::string name = file.path().stem().string();
        std::istringstream expected(ReadFile(file.path().string()));
        std::string commandLine, exitLine, word;
        std::getline(expected, commandLine);
        std::getline(expected, exitLine);
        std::vector<std::string> arguments;
        for (std::istringstream words(commandLine.substr(1)); words >> word;) {
            arguments.push_back(word);
        }
        std::map<std::string, std::string> outputs; // "stderr", "stdout" or a file's name
        std::string section = "stderr";
        for (std::string line; std::getline(expected, line);) {
            if (line.rfind("--- ", 0) == 0) {
                section = line.substr(4);
                outputs[section];
            } else {
                outputs[section] += line + "\n";
            }
        }
        ToolRun run = Run(arguments);
        EXPECT_EQ("exit " + std::to_string(run.exitCode), exitLine) << name;
        EXPECT_EQ(Text(run.err), outputs["stderr"]) << name;
        for (const auto& output : outputs) {
            if (output.first == "stdout") {
                EXPECT_EQ(Text(run.out), output.second) << name;
            } else if (output.first != "stderr") {
                EXPECT_EQ(ReadFile(folder_.Path(output.first)), output.second) << name;
                std::filesystem::remove(folder_.Path(output.first));
            }
        }
        EXPECT_FALSE(PathExists(folder_.Path("crash.log")) || PathExists(folder_.Path("logs")))
            << name << ": the tool wrote a log";
        // What came back dumps to a file that parses to the same record.
        if (run.exitCode == 0 && arguments.size() == 2 && arguments[0] != "record") {
            ToolRun dump = Run({"dump", arguments[1]});
            std::ofstream(folder_.Path("dumped.ini"), std::ios::binary) << dump.out;
            EXPECT_EQ(Run({"record", "dumped.ini"}).out, Run({"record", arguments[1]}).out) << name;
        }
    }
    EXPECT_GT(cases, 20);
}

TEST_F(ScriptTool, RecordWritesTheEntryRecord) {
    folder_.Write("game.ini", "!a(i) !b() !c()\na(1) { c() }\nb()");
    ToolRun run = Run({"record", "game.ini"});
    EXPECT_EQ(run.exitCode, 0);
    const unsigned char expected[] = {0x10, 0, 0, 0, 1, 0,    0,    0,    'a',  0,    0,    0,
                                      0,    1, 0, 0, 0, 0x20, 0,    0,    0,    0x10, 0,    0,
                                      0,    1, 0, 0, 0, 'c',  0xFF, 0xFF, 0xFF, 0xFF, 0x10, 0,
                                      0,    0, 1, 0, 0, 0,    'b',  0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(run.out, std::string(reinterpret_cast<const char*>(expected), sizeof expected));
    EXPECT_EQ(run.err, "");
}

#ifndef _WIN32 // a named pipe: opening it would wait for a writer
TEST_F(ScriptTool, RefusesAPipeWithoutWaiting) {
    ASSERT_EQ(mkfifo(folder_.Path("pipe.ini").c_str(), 0600), 0);
    ToolRun run = Run({"check", "pipe.ini"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "pipe.ini: error: is not a regular file (a pipe, a device or a socket)\n");
}
#endif

} // namespace
