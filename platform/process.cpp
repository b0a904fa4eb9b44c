#include "internal.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

struct HINSTANCE__ {
    int unused;
};

namespace {
HINSTANCE__ executableModule;
}

HMODULE platform::ExecutableModule() {
    return &executableModule;
}

extern "C" HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName) {
    if (moduleName == nullptr) {
        return platform::ExecutableModule();
    }
    SetLastError(ERROR_MOD_NOT_FOUND); // only the executable's own module is known
    return nullptr;
}

extern "C" DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
    if (module != nullptr && module != platform::ExecutableModule()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length < 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return 0;
    }
    if (size == 0 || fileName == nullptr) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // Like Windows: a path that does not fit is cut to size - 1 characters, the result is size.
    if (DWORD(length) >= size) {
        std::memcpy(fileName, path, size - 1);
        fileName[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(fileName, path, size_t(length));
    fileName[length] = '\0';
    SetLastError(ERROR_SUCCESS);
    return DWORD(length);
}

extern "C" void WINAPI ExitProcess(UINT exitCode) {
    std::exit(int(exitCode));
}
