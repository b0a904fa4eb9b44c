// Stands in for a child program of the launcher. It appends its argument vector, one
// argument a line, to "<its own file name>.args" in the working directory; then, after
// RECORD_ARGS_DELAY_MS milliseconds, a line "finished".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <climits>
#include <unistd.h>
#endif

namespace {

std::string OwnFileName() {
#ifdef _WIN32
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
#else
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path);
#endif
    std::string self(path, length > 0 ? size_t(length) : 0);
    return self.substr(self.find_last_of("/\\") + 1);
}

} // namespace

int main(int argc, char** argv) {
    FILE* record = std::fopen((OwnFileName() + ".args").c_str(), "a");
    if (!record) {
        return 2;
    }
    for (int i = 0; i < argc; ++i) {
        std::fprintf(record, "%s\n", argv[i]);
    }
    std::fflush(record);
    const char* delay = std::getenv("RECORD_ARGS_DELAY_MS");
    std::this_thread::sleep_for(std::chrono::milliseconds(delay ? std::atoi(delay) : 0));
    std::fprintf(record, "finished\n");
    std::fclose(record);
    return 0;
}
