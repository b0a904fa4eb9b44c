// Runs programs for the process-level tests: a real child process in a chosen folder, with
// a chosen environment and its output captured in files.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

struct ChildSpec {
    std::vector<std::string> argv;        // argv[0] is the program's path
    std::string workingDirectory;         // where the child starts
    std::vector<std::string> environment; // NAME=value entries that replace or add to ours
    std::string outputPrefix;             // stdout to <prefix>.out, stderr to <prefix>.err
};

pid_t StartChild(const ChildSpec& spec);

// The child's exit code, or minus the signal that killed it.
int WaitForChild(pid_t child);
// Like WaitForChild when the child has ended; false at once while it runs.
bool ChildEnded(pid_t child, int* exitCode);

// Polls `done` until it holds or `timeout` has passed; the result of the last poll.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

std::string ReadFile(const std::string& path);
bool PathExists(const std::string& path);
