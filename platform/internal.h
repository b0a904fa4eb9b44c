// Shared pieces of the POSIX stand-in; not part of the system's view of the platform.
#pragma once

#include "win32.h"

#include <functional>
#include <string>

namespace platform {

// A kernel object handed out as a HANDLE: an open file or the lock file of a named mutex.
struct KernelObject {
    enum Kind { File, Mutex } kind;
    int fd;
};

// The process's handle table: a new handle for an object, and the object behind a handle
// (null for anything that is not a live handle of that kind).
HANDLE NewHandle(KernelObject::Kind kind, int fd);
KernelObject* ObjectOf(HANDLE handle, KernelObject::Kind kind);

// The POSIX path that a Windows-style path names: backslashes become slashes, and every
// component that does not exist as written is matched without regard to ASCII case (the
// exact name first, else the first match in byte order). Components with no match are
// kept as written, so the result also names files that are about to be created.
std::string ResolveWindowsPath(const char* path);

// The entry of `folder` ("" for the working folder) whose name `matches`; of several, the
// first in byte order, so the choice does not depend on the order the folder lists them.
bool FirstEntryWhere(const std::string& folder, const std::function<bool(const char*)>& matches,
                     std::string& match);

// The entry of `folder` whose name equals `name` without regard to ASCII case; of several, the
// first in byte order. While a lookup snapshot is open, from the folder's remembered listing.
bool EntryIgnoringCase(const std::string& folder, const std::string& name, std::string& match);
// Forgets the remembered listings: this process is about to create or change a file or folder,
// or to change the working folder.
void ForgetListings();

// The Windows error code closest to an errno value.
DWORD ErrorFromErrno(int error);

// SIGINT, SIGTERM and SIGHUP post WM_QUIT (exit code 128 + signal) to the calling thread.
FERROX_PLATFORM_API void InstallQuitSignals();

// The token that stands for the executable's own module.
FERROX_PLATFORM_API HMODULE ExecutableModule();

} // namespace platform
