// Stands in for a child program of the launcher. It appends its argument vector, one
// argument a line, to "<its own file name>.args" in the working directory; then, after
// RECORD_ARGS_DELAY_MS milliseconds, a line "finished".
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <unistd.h>

int main(int argc, char** argv) {
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length < 0) {
        return 2;
    }
    self[length] = '\0';
    const char* name = std::strrchr(self, '/') ? std::strrchr(self, '/') + 1 : self;
    std::string recordName = std::string(name) + ".args";
    FILE* record = std::fopen(recordName.c_str(), "a");
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
