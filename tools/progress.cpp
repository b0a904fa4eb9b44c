#include "tools/progress.h"

#include <cstdio>
#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
const Clock::duration kQuietStart = std::chrono::seconds(1);
const Clock::duration kInterval = std::chrono::milliseconds(200);

Progress* active = nullptr; // the one that shows; one at a time

std::string Megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
    return text;
}

} // namespace

Progress::Progress(const char* verb, bool wanted)
    : verb_(verb), shown_(wanted && isatty(fileno(stderr))), start_(Clock::now()), last_(start_) {
    if (shown_) {
        active = this;
    }
}

Progress::~Progress() {
    Clear();
    if (active == this) {
        active = nullptr;
    }
}

void ClearProgress() {
    if (active) {
        active->Clear();
    }
}

void Progress::FileDone(uint64_t bytes) {
    ++files_;
    bytes_ += bytes;
    Clock::time_point now = Clock::now();
    if (!shown_ || now - start_ < kQuietStart || now - last_ < kInterval) {
        return;
    }
    last_ = now;
    double seconds = std::chrono::duration<double>(now - start_).count();
    std::string line = std::string(verb_) + ": " + std::to_string(files_) +
                       (files_ == 1 ? " file, " : " files, ") + Megabytes(double(bytes_)) + ", " +
                       Megabytes(double(bytes_) / seconds) + "/s";
    size_t width = line.size();
    line.append(width_ > width ? width_ - width : 0, ' '); // over what a longer line left
    width_ = width;
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    onLine_ = true;
}

void Progress::Clear() {
    if (onLine_) {
        std::fprintf(stderr, "\r%s\r", std::string(width_, ' ').c_str());
        std::fflush(stderr);
        onLine_ = false;
    }
}
