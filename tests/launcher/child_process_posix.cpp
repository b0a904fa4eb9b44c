#include "tests/launcher/child_process.h"

#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

extern "C" char** environ;

namespace {

bool Reap(pid_t child, int options, int* exitCode) {
    int status;
    if (waitpid(child, &status, options) != child) {
        return false;
    }
    *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return true;
}

} // namespace

ChildId StartChild(const ChildSpec& launch) {
    // A POSIX program gets the typed words as its arguments, one each.
    std::vector<std::string> argv = launch.argv;
    argv.insert(argv.end(), launch.words.begin(), launch.words.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(&argument[0]);
    }
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, launch.workingDirectory.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::string out = launch.outputPrefix + ".out", err = launch.outputPrefix + ".err";
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child;
    int error = posix_spawn(&child, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
    }
    return child;
}

int WaitForChild(ChildId child) {
    int exitCode = -1;
    Reap(child, 0, &exitCode);
    return exitCode;
}

bool ChildEnded(ChildId child, int* exitCode) {
    return Reap(child, WNOHANG, exitCode);
}
