// How far a long pack, extract or test has come, on standard error while it is a terminal:
// files and bytes done and the rate, on one line that each update overwrites and the end
// clears. Nothing shows for the first second, so that short runs stay as they are.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class Progress {
public:
    // `verb` leads the line; `wanted` false (-q) keeps it quiet on a terminal too.
    Progress(const char* verb, bool wanted);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // One more file done, of `bytes`.
    void FileDone(uint64_t bytes);
    // Clears the line, before other output or once done.
    void Clear();

private:
    const char* verb_;
    bool shown_;
    bool onLine_ = false;
    uint64_t files_ = 0, bytes_ = 0;
    std::chrono::steady_clock::time_point start_, last_;
    size_t width_ = 0;
};

// Clears the line of the progress that shows, if one does: every message and every line of
// standard output goes where the terminal's line starts.
void ClearProgress();
