#include "tools/file_identity.h"

#include "platform/win32.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

#ifdef _WIN32
namespace {

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &information)) {
        return std::nullopt;
    }
    return FileIdentity{information.dwVolumeSerialNumber,
                        (uint64_t(information.nFileIndexHigh) << 32) | information.nFileIndexLow};
}

} // namespace

std::optional<FileIdentity> IdentityOfPath(const std::filesystem::path& path) {
    // No access asked for and every sharing allowed: only the file's attributes are read.
    HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    std::optional<FileIdentity> identity = IdentityOfHandle(handle);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
    return identity;
}

std::optional<FileIdentity> IdentityOfStream(FILE* stream) {
    return IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
}
#else
namespace {

FileIdentity Identity(const struct stat& status) {
    return FileIdentity{uint64_t(status.st_dev), uint64_t(status.st_ino)};
}

} // namespace

std::optional<FileIdentity> IdentityOfPath(const std::filesystem::path& path) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    return Identity(status);
}

std::optional<FileIdentity> IdentityOfStream(FILE* stream) {
    struct stat status;
    if (!stream || fstat(fileno(stream), &status) != 0) {
        return std::nullopt;
    }
    return Identity(status);
}
#endif
