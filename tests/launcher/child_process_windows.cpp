#include "tests/launcher/child_process.h"
#include "tests/launcher/start_retry.h"

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
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(2 * backslashes, '\\');
    return quoted + '"';
}

HANDLE InheritableFile(const std::string& name, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    return CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
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
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = InheritableFile("NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput =
        InheritableFile(launch.outputPrefix + ".out", GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = InheritableFile(launch.outputPrefix + ".err", GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process;
    bool started = StartWithRetries(commandLine.c_str(), [&] {
        return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                              launch.workingDirectory.c_str(), &startup, &process);
    });
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
    if (!started) {
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
    if (WaitForSingleObject(child, 0) != WAIT_OBJECT_0) {
        return false;
    }
    *exitCode = WaitForChild(child);
    return true;
}
