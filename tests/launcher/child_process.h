// Runs programs for the process-level tests: a real child process in a chosen folder, with
// our environment and its output captured in files.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#ifdef _WIN32
using ChildId = void*; // the process handle
#else
#include <sys/types.h>
using ChildId = pid_t;
#endif

struct ChildSpec {
    std::vector<std::string> argv;  // the program's path and its own arguments
    std::vector<std::string> words; // then these, joined by blanks as a user types them
    std::string workingDirectory;   // where the child starts
    std::string outputPrefix;       // stdout to <prefix>.out, stderr to <prefix>.err
};

ChildId StartChild(const ChildSpec& launch);
// The child's exit code, or on POSIX minus the signal that killed it.
int WaitForChild(ChildId child);
// Like WaitForChild when the child has ended; false at once while it runs.
bool ChildEnded(ChildId child, int* exitCode);

// How long a test waits for a program to reach a point: generous, because the 32-bit Windows
// programs run emulated and many start at once; a run that works never waits this long.
constexpr std::chrono::seconds kPatience{240};

// Polls `done` until it holds or `timeout` has passed; the result of the last poll.
bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = kPatience);

std::string ReadFile(const std::string& path);
bool PathExists(const std::string& path);
std::vector<std::string> Lines(const std::string& text);
