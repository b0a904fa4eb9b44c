// Runs a program under the Windows debug API and writes every text it sends to the debugger
// (OutputDebugStringA) to standard output, byte for byte; ends with the program's exit code.
//   debug_relay PROGRAM [WORDS...]
// The program gets the words exactly as they stand on this command line.
#include "tests/launcher/start_retry.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// The text after the first token of a command line (quoted, or up to a blank) and its blanks.
const char* SkipToken(const char* line, std::string* token) {
    const char* start = line;
    if (*line == '"') {
        start = ++line;
        while (*line && *line != '"') {
            ++line;
        }
        token->assign(start, line);
        line += *line == '"';
    } else {
        while (*line && *line != ' ' && *line != '\t') {
            ++line;
        }
        token->assign(start, line);
    }
    while (*line == ' ' || *line == '\t') {
        ++line;
    }
    return line;
}

void RelayDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    if (info.fUnicode || info.nDebugStringLength == 0) {
        return;
    }
    std::vector<char> text(info.nDebugStringLength);
    SIZE_T read = 0;
    if (ReadProcessMemory(process, info.lpDebugStringData, text.data(), text.size(), &read)) {
        std::fwrite(text.data(), 1, strnlen(text.data(), read), stdout);
        std::fflush(stdout);
    }
}

} // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY); // the text as sent, line ends untranslated
    std::string self, program;
    const char* words = SkipToken(SkipToken(GetCommandLineA(), &self), &program);
    std::string commandLine = "\"" + program + "\" " + words;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    if (!StartWithRetries(commandLine.c_str(), [&] {
            return CreateProcessA(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                                  DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &started);
        })) {
        std::fprintf(stderr, "debug_relay: cannot start %s (error %lu): %s\n", program.c_str(),
                     GetLastError(), commandLine.c_str());
        return 127;
    }
    DWORD exitCode = 0;
    for (bool running = true; running;) {
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, INFINITE)) {
            break;
        }
        DWORD continueStatus = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case OUTPUT_DEBUG_STRING_EVENT:
            RelayDebugString(started.hProcess, event.u.DebugString);
            break;
        case EXCEPTION_DEBUG_EVENT:
            // The loader's breakpoint is ours to pass; every other exception is the program's.
            if (event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
                continueStatus = DBG_EXCEPTION_NOT_HANDLED;
            }
            break;
        case CREATE_PROCESS_DEBUG_EVENT:
            CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXIT_PROCESS_DEBUG_EVENT:
            exitCode = event.u.ExitProcess.dwExitCode;
            running = false;
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return int(exitCode);
}
