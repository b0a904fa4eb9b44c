#include "internal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::KernelObject;

namespace {

bool IsDirectory(int fd) {
    struct stat status;
    return fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
}

// Opens without waiting: a FIFO's open would otherwise block until a peer comes. Later reads
// and writes block as usual.
int OpenWithoutWaiting(const char* path, int flags) {
    int fd = open(path, flags | O_NONBLOCK, 0666);
    if (fd >= 0) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    }
    return fd;
}

// A file opened for reading must be a regular file: a FIFO or a device could keep a reader
// waiting for ever, and a directory is no file on Windows either.
FILE* OpenForReading(const char* path, const char* mode) {
    bool update = std::strchr(mode, '+') != nullptr;
    int fd = OpenWithoutWaiting(path, (update ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EISDIR) {
            errno = EACCES; // a directory opened for update
        }
        return nullptr;
    }
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        errno = EACCES; // what the Windows runtime says for a directory
        return nullptr;
    }
    FILE* stream = fdopen(fd, mode);
    if (!stream) {
        close(fd);
    }
    return stream;
}

} // namespace

extern "C" FILE* WinPathFopen(const char* path, const char* mode) {
    if (!path || !mode) {
        errno = EINVAL;
        return nullptr;
    }
    // "t" asks for text mode; POSIX streams never translate line ends, so it is dropped.
    char posixMode[8];
    size_t length = 0;
    for (const char* m = mode; *m && length + 1 < sizeof posixMode; ++m) {
        if (*m != 't') {
            posixMode[length++] = *m;
        }
    }
    posixMode[length] = '\0';
    if (posixMode[0] != 'r' || std::strchr(posixMode, '+')) {
        platform::ForgetListings();
    }
    std::string resolved = platform::ResolveWindowsPath(path);
    if (posixMode[0] == 'r') {
        return OpenForReading(resolved.c_str(), posixMode);
    }
    FILE* stream = fopen(resolved.c_str(), posixMode);
    if (!stream && errno == EISDIR) {
        errno = EACCES; // a directory opened for writing: the same answer as for reading
    }
    return stream;
}

extern "C" HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD,
                                     LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD flags,
                                     HANDLE) {
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    bool reads = desiredAccess & GENERIC_READ, writes = desiredAccess & GENERIC_WRITE;
    int openFlags = O_CLOEXEC | (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY);
    switch (disposition) {
    case CREATE_NEW:
        openFlags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        openFlags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_EXISTING:
        break;
    case OPEN_ALWAYS:
        openFlags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        openFlags |= O_TRUNC;
        break;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (flags & FILE_FLAG_WRITE_THROUGH) {
        openFlags |= O_SYNC; // every write reaches the disk before WriteFile returns
    }
    if (writes || disposition != OPEN_EXISTING) {
        platform::ForgetListings();
    }
    std::string path = platform::ResolveWindowsPath(fileName);
    bool existed = access(path.c_str(), F_OK) == 0;
    int fd = OpenWithoutWaiting(path.c_str(), openFlags);
    if (fd < 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    if (IsDirectory(fd)) {
        close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    bool reportsExisting = disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return platform::NewHandle(KernelObject::File, fd);
}

extern "C" BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite,
                                 LPDWORD bytesWritten, LPOVERLAPPED) {
    if (bytesWritten) {
        *bytesWritten = 0;
    }
    KernelObject* object = platform::ObjectOf(file, KernelObject::File);
    if (!object || (!buffer && bytesToWrite)) {
        SetLastError(object ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const char* bytes = static_cast<const char*>(buffer);
    DWORD done = 0;
    while (done < bytesToWrite) {
        ssize_t n = write(object->fd, bytes + done, bytesToWrite - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            SetLastError(platform::ErrorFromErrno(n < 0 ? errno : EIO));
            break;
        }
        done += DWORD(n);
    }
    if (bytesWritten) {
        *bytesWritten = done;
    }
    return done == bytesToWrite;
}
