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
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) {
        return true;
    }
    // A write that failed earlier may leave nothing for the flush to report.
    const char* reason = errno != 0 ? std::strerror(errno) : "a write failed";
    std::fprintf(stderr, "%s: standard output: %s\n", tool, reason);
    return false;
}
