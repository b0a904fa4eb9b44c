// Stands in for a program that the launcher starts. It appends its argument vector, one a line,
// to "<its own file name up to the first dot>.args" in the working directory, and after 300 ms a
// line "finished", which shows whether its starter waited. Its own path, which a batch file
// that calls it puts first, is left out.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
    char path[4096] = "";
#ifdef _WIN32
    GetModuleFileNameA(nullptr, path, sizeof path - 1);
#else
    (void)!readlink("/proc/self/exe", path, sizeof path - 1);
#endif
    std::string name = path;
    name = name.substr(name.find_last_of("/\\") + 1);
    FILE* record = std::fopen((name.substr(0, name.find('.')) + ".args").c_str(), "ab");
    for (int i = path == std::string(argv[0]); record && i < argc; ++i) {
        std::fprintf(record, "%s\n", argv[i]);
    }
    std::fflush(record);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return record && std::fprintf(record, "finished\n") > 0 && std::fclose(record) == 0 ? 0 : 2;
}
