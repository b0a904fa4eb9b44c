#include "tests/launcher/launcher_fixture.h"

#include "platform/win32.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void CopyExecutable(const std::string& from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

} // namespace

void LauncherTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "ferrox-launcher-XXXXXX").string();
    ASSERT_NE(mkdtemp(&pattern[0]), nullptr);
    folder_ = pattern;
    programsFolder_ = Path("programs");
    fs::create_directories(Path("locks"));
    fs::create_directories(programsFolder_);
    CopyExecutable(FERROX_EXE, Path("ferrox"));
    CopyExecutable(PLATFORM_LIBRARY, Path("libferroxplatform.so"));
    CopyExecutable(RECORDING_ENGINE, Path("libFerroxEngine2.so"));
    // Most tests want a quiet start: with the report present the DirectX tool is not run.
    WriteFile("logs/DXDiags.txt", "report");
}

void LauncherTest::TearDown() {
    for (void* mutex : heldMutexes_) {
        CloseHandle(mutex);
    }
    fs::remove_all(folder_);
}

pid_t LauncherTest::Start(const std::vector<std::string>& words,
                          const std::string& workingDirectory,
                          const std::vector<std::string>& environment) {
    static int runs = 0;
    ChildSpec spec;
    spec.argv.push_back(Path("ferrox"));
    spec.argv.insert(spec.argv.end(), words.begin(), words.end());
    spec.workingDirectory = workingDirectory.empty() ? folder_ : workingDirectory;
    spec.environment = {"XDG_RUNTIME_DIR=" + Path("locks"), "PATH=" + programsFolder_};
    spec.environment.insert(spec.environment.end(), environment.begin(), environment.end());
    spec.outputPrefix = Path("run" + std::to_string(++runs));
    pid_t pid = StartChild(spec);
    outputs_[pid] = spec.outputPrefix;
    return pid;
}

LauncherRun LauncherTest::Finish(pid_t pid) {
    return Collect(pid, WaitForChild(pid));
}

LauncherRun LauncherTest::Collect(pid_t pid, int exitCode) {
    return {exitCode, ReadFile(outputs_[pid] + ".err"), pid};
}

LauncherRun LauncherTest::Run(const std::vector<std::string>& words,
                              const std::string& workingDirectory,
                              const std::vector<std::string>& environment) {
    return Finish(Start(words, workingDirectory, environment));
}

std::vector<std::string> LauncherTest::CallsOf(pid_t pid) const {
    return Lines(ReadFile(Path("calls-" + std::to_string(pid) + ".txt")));
}

void LauncherTest::HoldInstanceMutex() {
    setenv("XDG_RUNTIME_DIR", Path("locks").c_str(), 1);
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "FerroxMutex");
    ASSERT_NE(mutex, nullptr);
    heldMutexes_.push_back(mutex);
}

void LauncherTest::WriteFile(const std::string& name, const std::string& content) const {
    fs::create_directories(fs::path(Path(name)).parent_path());
    std::ofstream(Path(name), std::ios::binary) << content;
}

void LauncherTest::InstallRecorder(const std::string& name) const {
    CopyExecutable(RECORD_ARGS, Path(name));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}
