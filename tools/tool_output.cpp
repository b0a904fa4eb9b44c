#include "tools/tool_output.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

void IgnoreFileSizeSignal() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool FinishStandardOutput(const char* tool) {
    errno = 0;
    bool failed = std::fflush(stdout) != 0 || std::ferror(stdout);
    int error = errno;
    if (std::fclose(stdout) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    if (failed) {
        // A write that failed earlier may have left no reason behind.
        std::fprintf(stderr, "%s: standard output: %s\n", tool,
                     std::strerror(error != 0 ? error : EIO));
    }
    return !failed;
}
