#include "tools/console_output.h"

#include <cstdio>

#ifdef _WIN32
#include "tools/text_encoding.h"

#include <windows.h>

namespace {

bool WriteConsole(const std::string& text) {
    HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) {
        return false;
    }
    std::string utf8 = Windows1252AsUtf8(text);
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), length);
    std::fflush(stderr); // what went before through the runtime comes first
    DWORD written = 0;
    return WriteConsoleW(console, wide.data(), DWORD(wide.size()), &written, nullptr) &&
           written == DWORD(wide.size());
}

} // namespace

void WriteStandardError(const std::string& text) {
    if (!WriteConsole(text)) {
        std::fputs(text.c_str(), stderr);
    }
}
#else
void WriteStandardError(const std::string& text) {
    std::fputs(text.c_str(), stderr);
}
#endif
