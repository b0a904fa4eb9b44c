// Runs programs for the process-level tests: a child process in a chosen folder, with our
// environment and its output captured in files.
#pragma once

#include <filesystem>
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
    std::string workingDirectory;
    std::string outputPrefix; // stdout to <prefix>.out, stderr to <prefix>.err
};

ChildId StartChild(const ChildSpec& launch);
// The exit code, or on POSIX minus the signal that ended the child.
int WaitForChild(ChildId child);
// Like WaitForChild once the child has ended; false at once while it runs.
bool ChildEnded(ChildId child, int* exitCode);
// Polls `done` until it holds or four minutes have passed (the 32-bit Windows programs run
// emulated, many at once); the last poll's result.
bool WaitUntil(const std::function<bool()>& done);

// A path as this program holds every path, in UTF-8 (on Windows, std::filesystem would read a
// narrow string byte by byte).
std::filesystem::path FilePath(const std::string& utf8);
std::string ReadFile(const std::string& path);
bool PathExists(const std::string& path);
std::vector<std::string> Lines(const std::string& text);
