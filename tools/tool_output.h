// What every command-line tool does about its output: a file-size limit turns into a write
// error with a message rather than a silent kill, and standard output is checked at the end.
#pragma once

// Ignores SIGXFSZ where the system has it, so that a write past the size limit fails (EFBIG).
void IgnoreFileSizeSignal();

// Flushes standard output before a message goes to standard error, so that the two keep their
// order where they share a terminal. A failure is remembered, with its reason, for the end.
void FlushStandardOutput();

// Flushes and closes standard output. On failure, now or at an earlier flush, prints "TOOL:
// standard output: REASON" on standard error and returns false; nothing may be written to
// standard output afterwards.
bool FinishStandardOutput(const char* tool);
