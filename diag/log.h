// The diagnostic log. Problem reports are formatted printf-style and go to the log file and to
// the debugger output. The file is opened on the first message: "crash.log" in the working
// directory, or "logs/crash_<date>_<time>.log" when a marker file "debug.fnt" is present.
// Every write reaches the disk before the call returns. One thread logs: the message buffer is
// shared.
#pragma once

// A message to the log file, the debugger output and the echo hook.
void LogPrintf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// A message to the echo hook alone.
void LogHookPrintf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Opens the log file; LogPrintf does so on its first message.
void LogOpen();
// Creates "logs" and returns "logs/crash_<yyyy-MM-dd>_<HHmm>.log" for the local time now, in a
// buffer that the next call overwrites.
const char* MakeDatedLogName();
// 1 when `name` is in the archive index or can be opened on disk for reading, else 0.
int FileExists(const char* name);
// The archive index lies above the log, so the log learns of it through this lookup (1 when
// an archive holds `name`); the file layer installs it when it mounts an archive. Without one,
// no archive holds anything.
typedef int (*LogArchiveLookup)(const char* name);
void SetLogArchiveLookup(LogArchiveLookup lookup);

// An observer of every message; none is installed unless someone installs one.
typedef void (*LogEchoHook)(const char* message);
void SetLogEchoHook(LogEchoHook hook);
// From now on messages reach the echo hook alone: no log file is opened or written and nothing
// goes to the debugger output. For tools that show reports their own way; the launcher never
// calls it.
void LogToEchoHookOnly();
