#include "tests/launcher/launcher_fixture.h"

#include "platform/win32.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

#ifdef _WIN32
const char* const kLauncher = "ferrox.exe";
const char* const kEngine = "FerroxEngine2.dll";
#else
const char* const kLauncher = "ferrox";
const char* const kEngine = "libFerroxEngine2.so";
#endif

void CopyExecutable(const std::string& from, const std::string& to) {
    fs::create_directories(fs::path(to).parent_path());
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

} // namespace

std::string RunningMessage(const std::string& title, const std::string& text) {
#ifdef _WIN32
    // A message box is no debugger output; under a headless Wine it is not shown at all.
    (void)title;
    (void)text;
    return "";
#else
    return "[MessageBox] " + title + "\n" + text + "\n[/MessageBox]\n";
#endif
}

void LauncherTest::SetUp() {
    folder_ = temporary_.Folder();
    programsFolder_ = Path("programs");
    fs::create_directories(Path("locks"));
    fs::create_directories(programsFolder_);
    CopyExecutable(FERROX_EXE, Path(kLauncher));
    CopyExecutable(RECORDING_ENGINE, Path(kEngine));
#ifndef _WIN32
    CopyExecutable(PLATFORM_LIBRARY, Path("libferroxplatform.so"));
#endif
    // Most tests want a quiet start: with the report present the DirectX tool is not run.
    WriteFile("logs/DXDiags.txt", "report");
}

void LauncherTest::TearDown() {
    // A test that failed half-way may leave a holding instance behind, which would hold the
    // instance mutex against every later test: ask it to stop, and end it if it does not.
    if (!children_.empty()) {
        WriteFile("stop", "");
        WaitUntil(
            [&] {
                int exitCode;
                for (auto child = children_.begin(); child != children_.end();) {
                    child = ChildEnded(child->second, &exitCode) ? children_.erase(child) : ++child;
                }
                return children_.empty();
            },
            std::chrono::seconds(30));
        for (const auto& child : children_) {
            KillChild(child.second);
        }
    }
    for (void* mutex : heldMutexes_) {
        CloseHandle(mutex);
    }
}

int LauncherTest::Start(const std::vector<std::string>& words, const std::string& workingDirectory,
                        const std::vector<std::string>& environment) {
    int id = ++runs_;
    ChildSpec launch;
#ifdef _WIN32
    launch.argv = {DEBUG_RELAY, Path(kLauncher)};
#else
    launch.argv = {Path(kLauncher)};
    launch.environment.push_back("XDG_RUNTIME_DIR=" + Path("locks"));
#endif
    launch.words = words;
    launch.workingDirectory = workingDirectory.empty() ? folder_ : workingDirectory;
    launch.environment.push_back("PATH=" + programsFolder_);
    launch.environment.push_back("RECORDING_ENGINE_CALLS=calls-" + std::to_string(id) + ".txt");
    launch.environment.insert(launch.environment.end(), environment.begin(), environment.end());
    launch.outputPrefix = Path("run-" + std::to_string(id));
    children_[id] = StartChild(launch);
    return id;
}

LauncherRun LauncherTest::Finish(int id) {
    int exitCode = WaitForChild(children_.at(id));
    children_.erase(id);
    return Collect(id, exitCode);
}

bool LauncherTest::Ended(int id, LauncherRun* run) {
    int exitCode;
    if (!ChildEnded(children_.at(id), &exitCode)) {
        return false;
    }
    children_.erase(id);
    *run = Collect(id, exitCode);
    return true;
}

LauncherRun LauncherTest::Collect(int id, int exitCode) const {
#ifdef _WIN32
    const char* debugStream = ".out"; // the debug relay's standard output
#else
    const char* debugStream = ".err";
#endif
    return {exitCode, ReadFile(Path("run-" + std::to_string(id) + debugStream)), id};
}

LauncherRun LauncherTest::Run(const std::vector<std::string>& words,
                              const std::string& workingDirectory,
                              const std::vector<std::string>& environment) {
    return Finish(Start(words, workingDirectory, environment));
}

std::vector<std::string> LauncherTest::CallsOf(int id) const {
    return Lines(ReadFile(Path("calls-" + std::to_string(id) + ".txt")));
}

void LauncherTest::HoldInstanceMutex() {
#ifndef _WIN32
    setenv("XDG_RUNTIME_DIR", Path("locks").c_str(), 1);
#endif
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "FerroxMutex");
    ASSERT_NE(mutex, nullptr);
    heldMutexes_.push_back(mutex);
}

void LauncherTest::WriteFile(const std::string& name, const std::string& content) const {
    fs::create_directories(fs::path(Path(name)).parent_path());
    std::ofstream(Path(name), std::ios::binary) << content;
}

void LauncherTest::Remove(const std::string& name) const {
    std::error_code error;
    bool removed = WaitUntil(
        [&] {
            fs::remove_all(Path(name), error);
            return !error;
        },
        kPatience);
    if (!removed) {
        throw fs::filesystem_error("cannot remove", Path(name), error);
    }
}

void LauncherTest::InstallRecorder(const std::string& name) const {
    CopyExecutable(RECORD_ARGS, Path(name));
}

void LauncherTest::InstallCompiler() const {
#ifdef _WIN32
    // Windows runs a batch file through its command interpreter; this one hands its own name
    // and arguments to the recorder.
    InstallRecorder("JDK/bin/compile.exe");
    WriteFile("JDK/bin/compile.bat", "@\"%~dp0compile.exe\" %0 %*\r\n");
#else
    InstallRecorder("JDK/bin/compile.bat");
#endif
}

std::vector<std::string> LauncherTest::CompilerRecord() const {
#ifdef _WIN32
    std::vector<std::string> record;
    for (const std::string& line : Lines(ReadFile(Path("compile.exe.args")))) {
        // Leave out the recorder's own path, which the batch file puts before each call.
        if (line.size() < 12 || line.compare(line.size() - 12, 12, "\\compile.exe") != 0) {
            record.push_back(line);
        }
    }
    return record;
#else
    return Lines(ReadFile(Path("compile.bat.args")));
#endif
}
