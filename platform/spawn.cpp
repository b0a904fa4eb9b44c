#include "internal.h"

#include <cerrno>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern "C" char** environ;

namespace {

// More arguments than this in one _spawnlp call is taken for a missing terminating null.
const size_t kMostArguments = 1024;

// Starts `program` with `argv` unchanged (argv[0] is whatever the caller passed). A program
// named with a separator is a path under Windows rules; a bare name is searched along PATH
// when `searchPath` is set. Results and errno follow the MSVC runtime.
intptr_t Spawn(int mode, const char* program, const char* const* argv, bool searchPath) {
    platform::ForgetListings(); // the child may change any folder
    if ((mode != _P_WAIT && mode != _P_NOWAIT) || !program || !argv) {
        errno = EINVAL;
        return -1;
    }
    bool bareName = std::strpbrk(program, "/\\") == nullptr;
    bool alongPath = searchPath && bareName;
    std::string path = alongPath ? program : platform::ResolveWindowsPath(program);
    char* const* arguments = const_cast<char* const*>(argv);
    pid_t child;
    int error = alongPath ? posix_spawnp(&child, path.c_str(), nullptr, nullptr, arguments, environ)
                          : posix_spawn(&child, path.c_str(), nullptr, nullptr, arguments, environ);
    if (error != 0) {
        errno = error;
        return -1;
    }
    if (mode == _P_NOWAIT) {
        return child;
    }
    int status;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

} // namespace

extern "C" intptr_t _spawnv(int mode, const char* program, const char* const* argv) {
    return Spawn(mode, program, argv, false);
}

extern "C" intptr_t _spawnlp(int mode, const char* program, const char* arg0, ...) {
    std::vector<const char*> argv{arg0};
    va_list rest;
    va_start(rest, arg0);
    while (argv.back() != nullptr && argv.size() <= kMostArguments) {
        argv.push_back(va_arg(rest, const char*));
    }
    va_end(rest);
    if (argv.back() != nullptr) {
        errno = E2BIG;
        return -1;
    }
    return Spawn(mode, program, argv.data(), true);
}
