#include "tools/system_name.h"

#ifdef _WIN32
#include <windows.h>

namespace {

std::wstring Wide(const std::string& utf8) {
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), length);
    return wide;
}

// `wide` in code page `page`; false where a character has no exact form there.
bool Narrow(const std::wstring& wide, UINT page, std::string* narrow) {
    BOOL lost = FALSE;
    DWORD flags = page == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* lostFlag = page == CP_UTF8 ? nullptr : &lost;
    int length = WideCharToMultiByte(page, flags, wide.data(), int(wide.size()), nullptr, 0,
                                     nullptr, lostFlag);
    narrow->assign(size_t(length), '\0');
    WideCharToMultiByte(page, flags, wide.data(), int(wide.size()), narrow->data(), length, nullptr,
                        lostFlag);
    return !lost && (length > 0 || wide.empty());
}

} // namespace

std::filesystem::path PathOfSystemName(const std::string& name) {
    // A std::filesystem path takes narrow text as UTF-8 here, so the code page's is converted.
    int length = MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, name.data(), int(name.size()), wide.data(), length);
    return std::filesystem::path(wide);
}

bool SystemNameOf(const std::string& utf8, std::string* name) {
    std::wstring wide = Wide(utf8);
    if (Narrow(wide, CP_ACP, name)) {
        return true;
    }
    DWORD length = GetShortPathNameW(wide.c_str(), nullptr, 0);
    std::wstring shortName(length, L'\0');
    if (length == 0 || GetShortPathNameW(wide.c_str(), shortName.data(), length) + 1 != length) {
        return false;
    }
    shortName.resize(length - 1);
    return Narrow(shortName, CP_ACP, name);
}
#else
std::filesystem::path PathOfSystemName(const std::string& name) {
    return std::filesystem::path(name);
}

bool SystemNameOf(const std::string& utf8, std::string* name) {
    *name = utf8;
    return true;
}
#endif
