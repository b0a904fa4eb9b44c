#include "tests/launcher/child_process.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

extern "C" char** environ;

namespace {

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& overrides) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        variables[text.substr(0, text.find('='))] = text;
    }
    for (const std::string& text : overrides) {
        variables[text.substr(0, text.find('='))] = text;
    }
    std::vector<std::string> merged;
    for (const auto& variable : variables) {
        merged.push_back(variable.second);
    }
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(&text[0]);
    }
    pointers.push_back(nullptr);
    return pointers;
}

pid_t Reap(pid_t child, int options, int* exitCode) {
    int status;
    pid_t reaped;
    while ((reaped = waitpid(child, &status, options)) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("waitpid failed");
        }
    }
    if (reaped == child) {
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    }
    return reaped;
}

} // namespace

ChildId StartChild(const ChildSpec& launch) {
    // A POSIX program gets the typed words as its arguments, one each.
    std::vector<std::string> argv = launch.argv;
    argv.insert(argv.end(), launch.words.begin(), launch.words.end());
    std::vector<std::string> environment = MergedEnvironment(launch.environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, launch.workingDirectory.c_str());
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::string out = launch.outputPrefix + ".out", err = launch.outputPrefix + ".err";
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t child;
    int error = posix_spawn(&child, argv[0].c_str(), &actions, nullptr, Pointers(argv).data(),
                            Pointers(environment).data());
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
    }
    return child;
}

int WaitForChild(ChildId child) {
    int exitCode = 0;
    Reap(child, 0, &exitCode);
    return exitCode;
}

bool ChildEnded(ChildId child, int* exitCode) {
    return Reap(child, WNOHANG, exitCode) == child;
}

void KillChild(ChildId child) {
    kill(child, SIGKILL);
    WaitForChild(child);
}
