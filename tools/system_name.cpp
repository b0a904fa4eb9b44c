#include "tools/system_name.h"

#ifdef _WIN32
#include <windows.h>

std::filesystem::path PathOfSystemName(const std::string& name) {
    // A std::filesystem path takes narrow text as UTF-8 here, so the code page's is converted.
    int length = MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), wide.data(), length);
    return std::filesystem::path(wide);
}
#else
std::filesystem::path PathOfSystemName(const std::string& name) {
    return std::filesystem::path(name);
}
#endif
