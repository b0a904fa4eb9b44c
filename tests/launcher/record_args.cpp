// Stands in for a program that the launcher starts. It appends its argument vector, one a line,
// to "<its own file name up to the first dot>.args" in the working directory, then after 300
// milliseconds a line "finished", so that a record shows whether its starter waited. Its own
// path, as a batch file that calls it puts it first, is left out.
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
#else
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path);
#endif
    std::string self(path, length > 0 ? size_t(length) : 0);
    std::string name = self.substr(self.find_last_of("/\\") + 1);
    FILE* record = std::fopen((name.substr(0, name.find('.')) + ".args").c_str(), "ab");
    if (!record) {
        return 2;
    }
    for (int i = self == argv[0]; i < argc; ++i) {
        std::fprintf(record, "%s\n", argv[i]);
    }
    std::fflush(record);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::fprintf(record, "finished\n");
    std::fclose(record);
    return 0;
}
