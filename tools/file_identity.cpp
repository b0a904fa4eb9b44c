#include "tools/file_identity.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

#ifdef _WIN32

namespace {

bool IdentityOfHandle(HANDLE handle, FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION information;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &information)) {
        return false;
    }
    identity->volume = information.dwVolumeSerialNumber;
    identity->index = uint64_t(information.nFileIndexHigh) << 32 | information.nFileIndexLow;
    return true;
}

} // namespace

bool IdentityOf(const fs::path& path, FileIdentity* identity) {
    // No access asked and every sharing allowed: the file is looked at, not opened for use.
    HANDLE handle =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    bool found = IdentityOfHandle(handle, identity);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
    return found;
}

bool IdentityOf(FILE* stream, FileIdentity* identity) {
    return IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))), identity);
}

#else

namespace {

void Fill(const struct stat& status, FileIdentity* identity) {
    identity->volume = status.st_dev;
    identity->index = status.st_ino;
}

} // namespace

bool IdentityOf(const fs::path& path, FileIdentity* identity) {
    struct stat status;
    if (stat(path.c_str(), &status) != 0) {
        return false;
    }
    Fill(status, identity);
    return true;
}

bool IdentityOf(FILE* stream, FileIdentity* identity) {
    struct stat status;
    if (fstat(fileno(stream), &status) != 0) {
        return false;
    }
    Fill(status, identity);
    return true;
}

#endif
