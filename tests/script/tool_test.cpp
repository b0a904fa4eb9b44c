// The ferrox-script tool, run as a real program on the case files of tool_cases/: each
// NAME.expected holds the command line, the exit status and the exact standard error, and may
// go on with "--- stdout" or "--- FILE" sections for what the run must write ("--- stdout hex"
// for bytes, in hex); text is compared with Windows line ends made plain. Every run happens in a
// fresh copy of the cases, beside a debug.fnt, and must leave no log behind.
//
// A first line "$sh COMMAND" in place of "$ ARGUMENTS" runs COMMAND with /bin/sh in that folder,
// $SCRIPT standing for the tool, for what arguments alone cannot set up: a link, a redirection
// to /dev/full, a ulimit. Its exit status is the one compared. Such cases run on POSIX only.
//
// FERROX_SCRIPT_TOOL in the environment names another program to run in the tool's place, such
// as the WebAssembly build under Node, which must give the same answers.
//
// The files of tool_cases/read_on/ check that the faults found past the first error are the
// ones left once the earlier faulty statements are deleted (read_on/README.md).
#include "tests/script/case_support.h"

#include "tests/support/temporary_folder.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

const std::string kToolCases = FERROX_SCRIPT_TESTS "/tool_cases";

std::string Tool() {
    const char* other = std::getenv("FERROX_SCRIPT_TOOL");
    return other && *other ? other : FERROX_SCRIPT;
}

struct ToolRun {
    int exitCode;
    std::string out, err;
};

class ScriptTool : public ::testing::TestWithParam<std::string> {
protected:
    ScriptTool() {
        std::filesystem::copy(kToolCases, folder_.Folder(),
                              std::filesystem::copy_options::recursive);
    }
    ToolRun Run(const std::vector<std::string>& arguments) {
        std::vector<std::string> argv = {Tool()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return RunProgram(argv);
    }
    ToolRun RunShell(const std::string& command) {
        return RunProgram({"/bin/sh", "-c", "SCRIPT='" + Tool() + "'; " + command});
    }
    ToolRun RunProgram(const std::vector<std::string>& argv) {
        ChildSpec launch;
        launch.argv = argv;
        launch.workingDirectory = folder_.Folder();
        launch.outputPrefix = folder_.Path("run");
        int exitCode = WaitForChild(StartChild(launch));
        return {exitCode, ReadFile(folder_.Path("run.out")), ReadFile(folder_.Path("run.err"))};
    }
    TemporaryFolder folder_;
};

TEST_P(ScriptTool, GivesTheExpectedOutput) {
    std::istringstream expected(ReadFile(kToolCases + "/" + GetParam() + ".expected"));
    std::string commandLine, exitLine, word;
    std::getline(expected, commandLine);
    std::getline(expected, exitLine);
    const bool shell = commandLine.rfind("$sh ", 0) == 0;
#ifdef _WIN32
    if (shell) {
        GTEST_SKIP() << "a shell command";
    }
#endif
    std::vector<std::string> arguments;
    for (std::istringstream words(commandLine.substr(1)); !shell && words >> word;) {
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
    ToolRun run = shell ? RunShell(commandLine.substr(4)) : Run(arguments);
    EXPECT_EQ("exit " + std::to_string(run.exitCode), exitLine);
    EXPECT_EQ(Replace(run.err, "\r\n", "\n"), outputs["stderr"]);
    for (const auto& output : outputs) {
        if (output.first == "stdout") {
            EXPECT_EQ(Replace(run.out, "\r\n", "\n"), output.second);
        } else if (output.first == "stdout hex") {
            EXPECT_EQ(Hex(run.out), output.second);
        } else if (output.first != "stderr") {
            EXPECT_EQ(ReadFile(folder_.Path(output.first)), output.second) << output.first;
        }
    }
    EXPECT_FALSE(PathExists(folder_.Path("crash.log")) || PathExists(folder_.Path("logs")))
        << "the tool wrote a log";
    // What came back dumps to a file that parses to the same record.
    if (run.exitCode == 0 && arguments.size() == 2 && arguments[0] != "record") {
        ToolRun dump = Run({"dump", arguments[1]});
        folder_.Write("dumped.ini", dump.out);
        EXPECT_EQ(Run({"record", "dumped.ini"}).out, Run({"record", arguments[1]}).out);
    }
}

INSTANTIATE_TEST_SUITE_P(Script, ScriptTool,
                         ::testing::ValuesIn(CaseNames(kToolCases, ".expected")), CaseName);

// The errors of a run's diagnostics, each "LINE:COLUMN: error: MESSAGE" without its file.
std::vector<std::string> ErrorsOf(const std::string& diagnostics) {
    std::vector<std::string> errors;
    std::istringstream lines(diagnostics);
    for (std::string line; std::getline(lines, line);) {
        size_t error = line.find(": error: "), place = line.find(':');
        if (error != std::string::npos && place < error) {
            errors.push_back(line.substr(place + 1));
        }
    }
    return errors;
}

// Each file NAME.N.ini of tool_cases/read_on/ is NAME.ini with its first N faulty statements
// deleted: it shows the errors that NAME.ini shows after its first N.
class ReadingOn : public ScriptTool {};

TEST_P(ReadingOn, FindsTheFaultsThatMendingTheEarlierLeaves) {
    std::string name = GetParam();
    size_t dot = name.rfind('.');
    size_t mended = std::stoul(name.substr(dot + 1));
    std::vector<std::string> whole = ErrorsOf(Run({"check", name.substr(0, dot) + ".ini"}).err);
    std::vector<std::string> rest = ErrorsOf(Run({"check", "read_on/" + name + ".ini"}).err);
    ASSERT_GT(whole.size(), mended) << "no fault is found after the mended ones";
    EXPECT_EQ(std::vector<std::string>(whole.begin() + std::ptrdiff_t(mended), whole.end()), rest);
}

INSTANTIATE_TEST_SUITE_P(Script, ReadingOn,
                         ::testing::ValuesIn(CaseNames(kToolCases + "/read_on", ".ini")),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return Replace(info.param, ".", "_");
                         });

#ifndef _WIN32 // a named pipe: opening it would wait for a writer
TEST_F(ScriptTool, RefusesAPipeWithoutWaiting) {
    ASSERT_EQ(mkfifo(folder_.Path("pipe.ini").c_str(), 0600), 0);
    ToolRun run = Run({"check", "pipe.ini"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "pipe.ini: error: is not a regular file (a pipe, a device or a socket)\n");
}
#endif

} // namespace
