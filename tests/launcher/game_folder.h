// A fresh folder for one test and the programs started in it. Furnished, it is a game folder:
// copies of ferrox and an engine library (and on POSIX the platform library) and a DirectX
// report, so that the tool is not run. Its "programs" is the whole search path, and the
// instance mutex is private to it (on Windows, to the Wine prefix).
#pragma once

#include "tests/launcher/child_process.h"
#include "tests/support/temporary_folder.h"

#include <cstdlib>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#define SetVariable(name, value) SetEnvironmentVariableA(name, std::string(value).c_str())
#else
#define SetVariable(name, value) setenv(name, std::string(value).c_str(), 1)
#endif

namespace fs = std::filesystem;

class GameFolder {
public:
    struct Run {
        ChildId child;
        std::string debugOutput; // the file of its debugger output
    };

    GameFolder() {
        fs::create_directories(Path("programs"));
        SetVariable("PATH", Path("programs"));
        SetVariable("XDG_RUNTIME_DIR", folder_.Folder());
        SetVariable("RECORDING_ENGINE_CALLS", "calls.txt");
    }
    ~GameFolder() { Write("stop", ""); } // a game still running stops when it sees this

    void Furnish(const std::string& engine) const {
#ifdef _WIN32
        Copy(FERROX, "ferrox.exe");
        Copy(engine, "FerroxEngine2.dll");
#else
        Copy(FERROX, "ferrox");
        Copy(engine, "libFerroxEngine2.so");
        Copy(FERROXPLATFORM, "libferroxplatform.so");
#endif
        Write("logs/DXDiags.txt", "report");
    }

    std::string Path(const std::string& name) const {
        return folder_.Path(name);
    }
    // A file, or a folder when the name ends in '/'.
    void Write(const std::string& name, const std::string& content) const {
        name.back() == '/' ? void(fs::create_directories(Path(name)))
                           : void(folder_.Write(name, content));
    }
    void Copy(const std::string& from, const std::string& name) const {
        fs::create_directories(fs::path(Path(name)).parent_path());
        fs::copy_file(from, Path(name), fs::copy_options::overwrite_existing);
        fs::permissions(Path(name), fs::perms::owner_all);
    }
    // An executable file of that content, by default the argument recorder (which Windows runs
    // through a batch file where `name` is one).
    void Install(const std::string& name, const std::string& content) const {
        std::string program = name;
#ifdef _WIN32
        if (content.empty() && fs::path(name).extension() == ".bat") {
            program.replace(name.size() - 3, 3, "exe");
            Write(name, "@\"%~dp0" + fs::path(program).filename().string() + "\" %0 %*\r\n");
        }
#endif
        content.empty() ? Copy(RECORD_ARGS, program) : Write(program, content);
        fs::permissions(Path(program), fs::perms::owner_all);
    }

    // Starts `program` (default: the launcher) with the words, in `folder` (default: here).
    Run Start(const std::vector<std::string>& words, const std::string& program = "",
              const std::string& folder = "") {
        ChildSpec launch;
#ifdef _WIN32
        launch.argv = {DEBUG_RELAY, program.empty() ? Path("ferrox.exe") : program};
        const char* debugStream = ".out"; // the relay's standard output
#else
        launch.argv = {program.empty() ? Path("ferrox") : program};
        const char* debugStream = ".err";
#endif
        launch.words = words;
        launch.workingDirectory = folder.empty() ? folder_.Folder() : folder;
        launch.outputPrefix = Path("run-" + std::to_string(++runs_));
        return {StartChild(launch), launch.outputPrefix + debugStream};
    }

private:
    TemporaryFolder folder_;
    int runs_ = 0;
};
