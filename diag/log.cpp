#include "diag/log.h"

#include "platform/win32.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// The log is process-wide and opened at most once: a file that could not be created is not
// tried again, so a broken log costs one failed open and nothing more.
int logOpened = 0;
HANDLE logFile = nullptr; // whatever the open returned, also INVALID_HANDLE_VALUE; never closed
LogEchoHook echoHook = nullptr;
LogArchiveLookup archiveLookup = nullptr;
bool echoOnly = false;
// One message at a time; LogPrintf and LogHookPrintf share it. The log allocates nothing of its
// own, so it still reports when memory has run out.
char messageBuffer[16384];
char logFileName[1024];

void FormatLogMessage(const char* format, va_list arguments) {
    // A longer message is cut to what fits, with its terminator.
    int length = vsnprintf(messageBuffer, sizeof messageBuffer, format, arguments);
    if (length < 0) {
        messageBuffer[0] = '\0';
    }
}

// Formats the message and hands it to the echo hook alone.
void EchoLogMessage(const char* format, va_list arguments) {
    FormatLogMessage(format, arguments);
    if (echoHook) {
        echoHook(messageBuffer);
    }
}

} // namespace

int FileExists(const char* name) {
    if (archiveLookup && archiveLookup(name)) {
        return 1;
    }
    HANDLE file = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        return 0;
    }
    CloseHandle(file);
    return 1;
}

const char* MakeDatedLogName() {
    _mkdir("logs"); // usually there already
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[128] = "";
    char timeText[128] = "";
    GetDateFormatA(LOCALE_USER_DEFAULT, 0, &now, "yyyy'-'MM'-'dd", date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, TIME_FORCE24HOURFORMAT, &now, "hhmm", timeText,
                   sizeof timeText);
    snprintf(logFileName, sizeof logFileName, "logs/crash_%s_%s.log", date, timeText);
    return logFileName;
}

void LogOpen() {
    // A developer's machine keeps every run's log; a player's has one, replaced on each run.
    const char* name = FileExists("debug.fnt") == 1 ? MakeDatedLogName() : "crash.log";
    logFile = CreateFileA(name, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                          FILE_FLAG_WRITE_THROUGH, NULL);
    logOpened = 1;
}

void LogPrintf(const char* format, ...) {
    if (echoOnly) {
        va_list arguments;
        va_start(arguments, format);
        EchoLogMessage(format, arguments);
        va_end(arguments);
        return;
    }
    if (!logOpened) {
        LogOpen();
    }
    va_list arguments;
    va_start(arguments, format);
    FormatLogMessage(format, arguments);
    va_end(arguments);
    // Written through, so the message is on disk even if the process dies right after it.
    DWORD written = 0;
    WriteFile(logFile, messageBuffer, DWORD(strlen(messageBuffer)), &written, NULL);
    OutputDebugStringA(messageBuffer);
    if (echoHook) {
        echoHook(messageBuffer);
    }
}

void LogHookPrintf(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    EchoLogMessage(format, arguments);
    va_end(arguments);
}

void SetLogEchoHook(LogEchoHook hook) {
    echoHook = hook;
}

void SetLogArchiveLookup(LogArchiveLookup lookup) {
    archiveLookup = lookup;
}

void LogToEchoHookOnly() {
    echoOnly = true;
}
