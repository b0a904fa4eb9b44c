// Runs a program under the Windows debug API, writes every text that it sends to the debugger
// to standard output byte for byte, and ends with the program's exit code:
//   debug_relay PROGRAM [WORDS...]   (the rest of this command line is the program's)
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <windows.h>

int main() {
    _setmode(_fileno(stdout), _O_BINARY); // the text as sent, line ends untranslated
    // The wide command line: the program's path may hold what the ANSI code page cannot.
    const wchar_t* line = GetCommandLineW();
    for (bool quoted = false; *line && (quoted || (*line != L' ' && *line != L'\t')); ++line) {
        quoted ^= *line == L'"'; // past this program's own name
    }
    std::wstring commandLine = line + std::wcsspn(line, L" \t");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    int attempt = 0; // a start under Wine now and then fails for no reason of the program's
    while (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                           DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &started) &&
           ++attempt < 4) {
        Sleep(250 * attempt);
    }
    if (attempt == 4) {
        return 127;
    }
    DWORD exitCode = 0;
    for (DEBUG_EVENT event; WaitForDebugEvent(&event, INFINITE);) {
        DWORD status = DBG_CONTINUE;
        const OUTPUT_DEBUG_STRING_INFO& text = event.u.DebugString;
        if (event.dwDebugEventCode == OUTPUT_DEBUG_STRING_EVENT && !text.fUnicode) {
            std::string bytes(text.nDebugStringLength, '\0');
            SIZE_T read = 0;
            ReadProcessMemory(started.hProcess, text.lpDebugStringData, &bytes[0], bytes.size(),
                              &read);
            std::fwrite(bytes.data(), 1, strnlen(bytes.data(), read), stdout);
            std::fflush(stdout);
        } else if (event.dwDebugEventCode == EXCEPTION_DEBUG_EVENT &&
                   event.u.Exception.ExceptionRecord.ExceptionCode != EXCEPTION_BREAKPOINT) {
            status = DBG_EXCEPTION_NOT_HANDLED; // the loader's breakpoint is ours to pass
        } else if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            exitCode = event.u.ExitProcess.dwExitCode;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            break;
        }
    }
    return int(exitCode);
}
