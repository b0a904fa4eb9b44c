#include "tools/tool_output.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

int firstOutputError = 0; // the reason of the first failed write to standard output

// Flushes standard output; false when it failed, now or before, its reason remembered.
bool Flush() {
    // A write that failed earlier, in the stream's own buffering (a line-buffered stream writes
    // at each line end), left its reason in errno; the flush may find nothing left to write.
    int earlier = std::ferror(stdout) ? errno : 0;
    errno = 0;
    bool failed = std::fflush(stdout) != 0 || std::ferror(stdout);
    if (failed && firstOutputError == 0) {
        firstOutputError = errno != 0 ? errno : earlier != 0 ? earlier : EIO;
    }
    return !failed;
}

} // namespace

void IgnoreFileSizeSignal() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

void FlushStandardOutput() {
    Flush();
}

bool FinishStandardOutput(const char* tool) {
    bool written = Flush();
    errno = 0;
    if (std::fclose(stdout) != 0 && written) {
        written = false;
        firstOutputError = errno != 0 ? errno : EIO;
    }
    if (!written || firstOutputError != 0) {
        std::fprintf(stderr, "%s: standard output: %s\n", tool, std::strerror(firstOutputError));
        return false;
    }
    return true;
}
