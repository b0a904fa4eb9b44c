#include "tools/utf8_arguments.h"

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    if (!words || count != argc) { // not the command line that argv came from
        arguments.assign(argv, argv + argc);
    } else {
        for (int i = 0; i < count; ++i) {
            int length =
                WideCharToMultiByte(CP_UTF8, 0, words[i], -1, nullptr, 0, nullptr, nullptr);
            std::string word(size_t(length > 0 ? length : 1), '\0');
            WideCharToMultiByte(CP_UTF8, 0, words[i], -1, word.data(), length, nullptr, nullptr);
            word.resize(word.size() - 1); // the terminating NUL
            arguments.push_back(word);
        }
    }
    LocalFree(words);
    return arguments;
}
#else
std::vector<std::string> Utf8Arguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}
#endif
