// What both tools do about their own output: a size limit makes a write fail instead of ending
// the process, and standard output is checked once everything is written.
#pragma once

// A write beyond the file-size limit then fails as one to a full disk does (POSIX only:
// Windows has no such signal).
void IgnoreFileSizeSignal();

// Flushes standard output; false, with "TOOL: standard output: REASON" on standard error, when
// a write to it failed.
bool FinishStandardOutput(const char* tool);
