// Named mutexes between processes. A named mutex exists while any process holds a handle
// to it: every holder keeps a shared flock on the mutex's lock file, so a creator that
// cannot take the lock exclusively knows that another holder exists. A second lock file
// serialises creators, so two of them can never both find the mutex new.
#include "internal.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::KernelObject;

namespace {

// The user's runtime folder, else the temporary folder: named objects are per user.
std::string LockFolder() {
    for (const char* variable : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
        const char* folder = std::getenv(variable);
        struct stat status;
        if (folder && *folder && stat(folder, &status) == 0 && S_ISDIR(status.st_mode)) {
            return folder;
        }
    }
    return "/tmp";
}

std::string FileNameFor(const char* name) {
    std::string safe;
    for (const char* c = name; *c; ++c) {
        bool plain = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') ||
                     (*c >= '0' && *c <= '9') || *c == '-' || *c == '_' || *c == '.';
        safe += plain ? *c : '_';
    }
    return LockFolder() + "/ferrox-mutex-" + std::to_string(getuid()) + "-" + safe;
}

int LockRetrying(int fd, int operation) {
    int result;
    do {
        result = flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

} // namespace

extern "C" HANDLE WINAPI CreateMutexA(LPSECURITY_ATTRIBUTES, BOOL, LPCSTR name) {
    // Ownership is not modelled: the system never waits on a mutex, it only asks whether
    // the name existed already.
    if (!name) {
        SetLastError(ERROR_SUCCESS);
        return platform::NewHandle(KernelObject::Mutex, -1);
    }
    std::string base = FileNameFor(name);
    int guard = open((base + ".guard").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (guard < 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return nullptr;
    }
    int fd = open((base + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || LockRetrying(guard, LOCK_EX) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        if (fd >= 0) {
            close(fd);
        }
        close(guard);
        return nullptr;
    }
    bool existed = flock(fd, LOCK_EX | LOCK_NB) != 0;
    int held = LockRetrying(fd, LOCK_SH);
    int heldError = errno;
    close(guard); // releases the creators' lock
    if (held != 0) {
        close(fd);
        SetLastError(platform::ErrorFromErrno(heldError));
        return nullptr;
    }
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return platform::NewHandle(KernelObject::Mutex, fd);
}
