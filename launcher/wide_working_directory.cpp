#include "launcher/wide_working_directory.h"

#include "platform/win32.h"

#ifdef _WIN32

#include <cwchar>
#include <vector>

namespace {

// The longest path that Windows knows, in UTF-16 units with the terminator.
const DWORD kLongestPath = 32768;

// True when `ansiPath`, read in the ANSI code page, is `widePath`: a character that the code
// page cannot hold comes back from GetModuleFileNameA as '?' or as a look-alike, and the path
// then names another file or none.
bool SamePath(const char* ansiPath, const wchar_t* widePath) {
    std::vector<wchar_t> converted(kLongestPath);
    return MultiByteToWideChar(CP_ACP, 0, ansiPath, -1, converted.data(), int(kLongestPath)) > 0 &&
           std::wcscmp(converted.data(), widePath) == 0;
}

} // namespace

bool EnterExecutableDirectoryByWidePath(const char* ansiPath) {
    std::vector<wchar_t> path(kLongestPath);
    DWORD length = GetModuleFileNameW(nullptr, path.data(), kLongestPath);
    if (length == 0 || length >= kLongestPath || SamePath(ansiPath, path.data())) {
        return false;
    }
    // The folder keeps its trailing separator, as _splitpath leaves it in the ANSI step.
    DWORD folderEnd = length;
    while (folderEnd > 0 && path[folderEnd - 1] != L'\\' && path[folderEnd - 1] != L'/') {
        --folderEnd;
    }
    path[folderEnd] = L'\0';
    if (folderEnd == 0 || !SetCurrentDirectoryW(path.data())) {
        OutputDebugStringA("Cannot make the executable's folder the working directory\n");
    }
    return true;
}

#else

// POSIX paths are bytes: the path that GetModuleFileNameA gives always names the executable.
bool EnterExecutableDirectoryByWidePath(const char*) {
    return false;
}

#endif
