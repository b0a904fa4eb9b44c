// Starting the launcher, from exec to exit, in a game folder of its own whose demo engine quits
// at its first frame, against starting a C program, and a C++ program, that do nothing. Both are
// started and waited for in the same way; the launcher's instance lock lives in the folder too, so
// that no other run on the machine can meet it.
#include "tests/support/temporary_folder.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// The folder the benchmark programs, the launcher and its libraries were built into.
fs::path BuildFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

struct GameFolder {
    TemporaryFolder folder;
    std::vector<std::string> environment;
    GameFolder() {
        fs::path from = BuildFolder();
        for (const char* name : {"ferrox", "libFerroxEngine2.so", "libferroxplatform.so",
                                 "game.ini", "data/Running.scr"}) {
            fs::create_directories(fs::path(folder.Path(name)).parent_path());
            fs::copy_file(from / name, folder.Path(name));
        }
        folder.Write("logs/DXDiags.txt", "A report exists: no dxdiag is started.\n");
        for (char** variable = environ; *variable; ++variable) {
            std::string text = *variable;
            if (text.rfind("TMPDIR=", 0) != 0 && text.rfind("XDG_RUNTIME_DIR=", 0) != 0) {
                environment.push_back(text);
            }
        }
        environment.push_back("TMPDIR=" + folder.Folder());
    }
};

GameFolder& TheGameFolder() {
    static GameFolder folder;
    return folder;
}

// Starts the program with its output thrown away and waits for it; its exit status.
int Run(const std::string& program, std::vector<std::string> arguments,
        std::vector<std::string>& environment) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    arguments.insert(arguments.begin(), program);
    std::vector<char*> argv, envp;
    for (std::string& argument : arguments) {
        argv.push_back(&argument[0]);
    }
    argv.push_back(nullptr);
    for (std::string& variable : environment) {
        envp.push_back(&variable[0]);
    }
    envp.push_back(nullptr);
    pid_t child = 0;
    int status = -1;
    if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) {
        waitpid(child, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
    return status;
}

void StartLauncher(benchmark::State& state) {
    GameFolder& game = TheGameFolder();
    std::string launcher = game.folder.Path("ferrox");
    for (auto _ : state) {
        if (Run(launcher, {"frames=0"}, game.environment) != 0) {
            state.SkipWithError("the launcher failed");
            break;
        }
    }
}

// A program of the build folder that does nothing: in C (0), in C++ with its runtime (1), or
// with every library the launcher loads (2).
void StartMinimalProgram(benchmark::State& state) {
    const char* names[] = {"minimal_program", "minimal_cpp_program", "imports_only_program"};
    std::string program = (BuildFolder() / names[state.range(0)]).string();
    std::vector<std::string> environment = TheGameFolder().environment;
    for (auto _ : state) {
        if (Run(program, {}, environment) != 0) {
            state.SkipWithError("the minimal program failed");
            break;
        }
    }
}

BENCHMARK(StartLauncher)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(StartMinimalProgram)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
