// Runs a program under the Windows debug API and writes every text it sends to the debugger
// (OutputDebugStringA) to standard output, byte for byte; ends with the program's exit code.
//   debug_relay PROGRAM [WORDS...]
// The program gets the rest of this command line exactly as it stands.
#include "tests/launcher/start_retry.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <vector>

namespace {

// The command line after its first token (quoted, or up to a blank) and the blanks after it.
std::string AfterFirstToken(const char* line) {
    bool quoted = false;
    for (; *line && (quoted || (*line != ' ' && *line != '\t')); ++line) {
        quoted ^= *line == '"';
    }
    return line + std::strspn(line, " \t");
}

void RelayDebugString(HANDLE process, const OUTPUT_DEBUG_STRING_INFO& info) {
    std::vector<char> text(info.nDebugStringLength);
    SIZE_T read = 0;
    if (!info.fUnicode && !text.empty() &&
        ReadProcessMemory(process, info.lpDebugStringData, text.data(), text.size(), &read)) {
        std::fwrite(text.data(), 1, strnlen(text.data(), read), stdout);
        std::fflush(stdout);
    }
}

} // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY); // the text as sent, line ends untranslated
    std::string commandLine = AfterFirstToken(GetCommandLineA());
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    if (!StartWithRetries(commandLine.c_str(), [&] {
            return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                                  DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &started);
        })) {
        std::fprintf(stderr, "debug_relay: cannot start %s\n", commandLine.c_str());
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
