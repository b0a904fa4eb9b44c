#include "tests/launcher/child_process.h"

#include <stdexcept>
#include <windows.h>

namespace {

// One argument as the MSVC runtime splits a command line back into arguments.
std::string Quote(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        quoted += c == '"' ? std::string(backslashes + 1, '\\') + c : std::string(1, c);
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    return quoted + std::string(backslashes, '\\') + '"';
}

HANDLE OutputFile(const std::string& name) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    return CreateFileW(FilePath(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ChildId StartChild(const ChildSpec& launch) {
    // A Windows program gets one command line: its own arguments quoted, then the typed words
    // exactly as typed.
    std::string commandLine;
    for (const std::string& argument : launch.argv) {
        commandLine += (commandLine.empty() ? "" : " ") + Quote(argument);
    }
    for (const std::string& word : launch.words) {
        commandLine += " " + word;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = OutputFile(launch.outputPrefix + ".out");
    startup.hStdError = OutputFile(launch.outputPrefix + ".err");
    PROCESS_INFORMATION process;
    // The wide forms of the UTF-8 names, which the ANSI code page may not hold.
    std::wstring wideCommandLine = FilePath(commandLine).wstring();
    std::wstring folder = FilePath(launch.workingDirectory).wstring();
    // A start under Wine now and then fails for no reason of the program's: it is tried again.
    int attempt = 0;
    while (!CreateProcessW(nullptr, &wideCommandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                           folder.c_str(), &startup, &process) &&
           ++attempt < 4) {
        Sleep(250 * attempt);
    }
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (attempt == 4) {
        throw std::runtime_error("cannot start " + commandLine);
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

int WaitForChild(ChildId child) {
    WaitForSingleObject(child, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(child, &exitCode);
    CloseHandle(child);
    return int(exitCode);
}

bool ChildEnded(ChildId child, int* exitCode) {
    bool ended = WaitForSingleObject(child, 0) == WAIT_OBJECT_0;
    *exitCode = ended ? WaitForChild(child) : 0;
    return ended;
}
