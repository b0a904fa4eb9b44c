// Runs every case file under tests/vfs/cases as a test of its own, in a fresh working folder
// that holds copies of cases/files and of tests/data: layer/ and crc/ hold transcripts of the
// file layer and the checksum log (transcript.h), tool/ runs of ferrox-vfs.
#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"
#include "tests/vfs/transcript.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {

// Windows programs print text with CR LF; text is compared line by line.
std::string Text(const std::string& output) {
    std::string text;
    for (const std::string& line : Lines(output)) {
        text += line + "\n";
    }
    return text;
}

// A file name as a case file shows it: control bytes as \xHH escapes.
std::string Escaped(const std::string& name) {
    std::string text;
    for (unsigned char c : name) {
        char escape[5];
        std::snprintf(escape, sizeof escape, "\\x%02x", c);
        text += c < 0x20 || c == 0x7F ? escape : std::string(1, char(c));
    }
    return text;
}

// The files under `folder`, with forward slashes.
std::set<std::string> FilesUnder(const std::string& folder) {
    std::set<std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        if (item.is_regular_file()) {
            files.insert(item.path().lexically_relative(folder).generic_u8string());
        }
    }
    return files;
}

// Runs `command` with /bin/sh in `folder`; its standard output. The shell steps of a case set
// up what a plain run cannot (links, FIFOs, size limits, full devices) and look at the files
// afterwards; VFS names the tool.
std::string Shell(const std::string& command, const std::string& folder) {
    TemporaryFolder output;
    ChildSpec step;
    step.argv = {"/bin/sh", "-c", command};
    step.workingDirectory = folder;
    step.outputPrefix = output.Path("step");
    EXPECT_EQ(WaitForChild(StartChild(step)), 0) << command << ReadFile(step.outputPrefix + ".err");
    return ReadFile(step.outputPrefix + ".out");
}

// A tool case: "run: ARGS" (split at blanks) or "shell: COMMAND" (the tool as $VFS), "status:
// N", then the sections "--- stdout", "--- stderr" and "--- created" (the files it made); or
// "stdout-bytes: QUOTED" for output compared byte for byte; control bytes of created names show
// as \xHH. "before: COMMAND" lines run first and "after: COMMAND" lines afterwards, their output
// compared with "--- after"; cases with shell steps run on POSIX only. Lines starting with '#'
// before the first section are comments.
void RunToolCase(const std::string& path, const std::string& folder) {
    ChildSpec launch;
    launch.argv = {FERROX_VFS};
    int status = 0;
    std::map<std::string, std::string> sections; // also "bytes"
    std::vector<std::string> before, after;
    std::string section;
    for (const std::string& line : Lines(ReadFile(path))) {
        if (line.rfind("--- ", 0) == 0) {
            section = line.substr(4);
            sections[section];
        } else if (!section.empty()) {
            sections[section] += line + "\n";
        } else if (line.rfind("run: ", 0) == 0) {
            std::istringstream words(line.substr(5));
            for (std::string word; words >> word;) {
                launch.argv.push_back(word);
            }
        } else if (line.rfind("shell: ", 0) == 0) {
            launch.argv = {"/bin/sh", "-c", line.substr(7)};
        } else if (line.rfind("before: ", 0) == 0) {
            before.push_back(line.substr(8));
        } else if (line.rfind("after: ", 0) == 0) {
            after.push_back(line.substr(7));
        } else if (line.rfind("status: ", 0) == 0) {
            status = std::stoi(line.substr(8));
        } else if (line.rfind("stdout-bytes: ", 0) == 0) {
            sections["bytes"] = Unescape(line.substr(14));
        }
    }
#ifdef _WIN32
    if (!before.empty() || !after.empty() || launch.argv[0] == "/bin/sh") {
        GTEST_SKIP() << "a case with shell steps";
    }
#else
    setenv("VFS", FERROX_VFS, 1);
#endif
    for (const std::string& command : before) {
        Shell(command, folder);
    }
    TemporaryFolder output;
    const std::set<std::string> existing = FilesUnder(folder);
    launch.workingDirectory = folder;
    launch.outputPrefix = output.Path("run");
    EXPECT_EQ(WaitForChild(StartChild(launch)), status);
    std::string out = ReadFile(launch.outputPrefix + ".out");
    EXPECT_EQ(sections.count("bytes") ? out : Text(out),
              sections[sections.count("bytes") ? "bytes" : "stdout"]);
    EXPECT_EQ(Text(ReadFile(launch.outputPrefix + ".err")), sections["stderr"]);
    std::string created;
    for (const std::string& file : FilesUnder(folder)) {
        created += existing.count(file) ? "" : Escaped(file) + "\n";
    }
    EXPECT_EQ(created, sections["created"]);
    std::string looked;
    for (const std::string& command : after) {
        looked += Shell(command, folder);
    }
    EXPECT_EQ(looked, sections["after"]);
}

std::vector<std::string> CaseNames() {
    std::vector<std::string> names;
    for (const char* kind : {"crc", "layer", "tool"}) {
        for (const auto& item : fs::directory_iterator(fs::path(FERROX_VFS_CASES) / kind)) {
            names.push_back(std::string(kind) + "/" + item.path().filename().string());
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

class VfsCase : public testing::TestWithParam<std::string> {};

TEST_P(VfsCase, GivesWhatItsFileSays) {
    const std::string path = std::string(FERROX_VFS_CASES) + "/" + GetParam();
    TemporaryFolder folder;
    fs::copy(fs::path(FERROX_VFS_CASES) / "files", folder.Folder(), fs::copy_options::recursive);
    fs::copy(FERROX_TEST_DATA, folder.Folder());
    if (GetParam().rfind("tool/", 0) == 0) {
        RunToolCase(path, folder.Folder());
        return;
    }
    const fs::path previous = fs::current_path();
    fs::current_path(folder.Folder()); // the checksum log names files relative to it
    RunTranscript(path, folder);
    fs::current_path(previous);
}

// Named by folder and file: tool/ls_stub.case is tool_ls_stub.
INSTANTIATE_TEST_SUITE_P(Cases, VfsCase, testing::ValuesIn(CaseNames()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param.substr(0, info.param.rfind('.'));
                             std::replace(name.begin(), name.end(), '/', '_');
                             return name;
                         });

} // namespace
