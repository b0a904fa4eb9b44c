// Runs the ferrox-vfs cases under tests/vfs/cases: each .case file gives the tool's arguments,
// its exit status, standard output, standard error, and the files it must have created. The
// tool runs in a fresh folder holding a copy of cases/files.
#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

struct Case {
    std::string name;
    std::vector<std::string> arguments; // split at blanks
    int status = 0;
    std::map<std::string, std::string> sections; // "stdout", "stderr", "created"
};

// "run: ARGS", "status: N", then "--- stdout", "--- stderr" and "--- created" sections; lines
// starting with '#' before the first section are comments.
Case ReadCase(const fs::path& path) {
    Case c;
    c.name = path.filename().string();
    std::string section;
    for (const std::string& line : Lines(ReadFile(path.string()))) {
        if (line.rfind("--- ", 0) == 0) {
            section = line.substr(4);
            c.sections[section];
        } else if (!section.empty()) {
            c.sections[section] += line + "\n";
        } else if (line.rfind("run: ", 0) == 0) {
            std::istringstream words(line.substr(5));
            for (std::string word; words >> word;) {
                c.arguments.push_back(word);
            }
        } else if (line.rfind("status: ", 0) == 0) {
            c.status = std::stoi(line.substr(8));
        }
    }
    return c;
}

std::string Text(const std::string& output) {
    std::string text;
    for (const std::string& line : Lines(output)) {
        text += line + "\n";
    }
    return text;
}

// The files under `folder` that `known` does not hold, sorted, with forward slashes, one a line.
std::string FilesUnder(const std::string& folder, const std::string& known = "") {
    std::vector<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (item.is_regular_file()) {
            files.push_back(item.path().lexically_relative(folder).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    std::string text;
    for (const std::string& file : files) {
        if (("\n" + known).find("\n" + file + "\n") == std::string::npos) {
            text += file + "\n";
        }
    }
    return text;
}

TEST(VfsToolCases, EveryCaseGivesItsOutputStatusAndFiles) {
    std::vector<fs::path> paths;
    for (const auto& item : fs::directory_iterator(FERROX_VFS_CASES)) {
        if (item.path().extension() == ".case") {
            paths.push_back(item.path());
        }
    }
    std::sort(paths.begin(), paths.end());
    ASSERT_FALSE(paths.empty());
    for (const fs::path& path : paths) {
        Case c = ReadCase(path);
        SCOPED_TRACE(c.name);
        TemporaryFolder folder, output;
        fs::copy(fs::path(FERROX_VFS_CASES) / "files", folder.Folder(),
                 fs::copy_options::recursive);
        std::string before = FilesUnder(folder.Folder());
        ChildSpec launch;
        launch.argv = {FERROX_VFS};
        launch.argv.insert(launch.argv.end(), c.arguments.begin(), c.arguments.end());
        launch.workingDirectory = folder.Folder();
        launch.outputPrefix = output.Path("run");
        EXPECT_EQ(WaitForChild(StartChild(launch)), c.status);
        EXPECT_EQ(Text(ReadFile(launch.outputPrefix + ".out")), c.sections["stdout"]);
        EXPECT_EQ(Text(ReadFile(launch.outputPrefix + ".err")), c.sections["stderr"]);
        EXPECT_EQ(FilesUnder(folder.Folder(), before), c.sections["created"]);
    }
}

} // namespace
