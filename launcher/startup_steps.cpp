#include "launcher/startup_steps.h"

#include "launcher/wide_working_directory.h"
#include "platform/win32.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The debugger output line for a DirectX tool that could not be started, by errno.
const char* DirectXSpawnFailure(int error) {
    switch (error) {
    case ENOENT:
        return "... ERROR: File or path is not found\n";
    case E2BIG:
        return "... ERROR: Argument list exceeds 1024 bytes\n";
    case ENOEXEC:
        return "... ERROR: Specified file is not executable or has invalid executable-file "
               "format\n";
    case ENOMEM:
        return "... ERROR: Not enough memory is available to execute new process\n";
    case EINVAL:
        return "... ERROR: mode argument is invalid\n";
    default:
        return "unknown";
    }
}

} // namespace

void ShowAlreadyRunning() {
    FILE* message = WinPathFopen("data\\Running.scr", "r");
    if (!message) {
        return;
    }
    char title[128] = "Error";
    char text[256] = "Ferrox already running";
    // A line that is not there leaves its buffer's preset text.
    if (fgets(title, sizeof title, message)) {
        title[std::strcspn(title, "\r\n")] = '\0';
    }
    if (fgets(text, sizeof text, message)) {
        text[std::strcspn(text, "\r\n")] = '\0';
    }
    fclose(message);
    MessageBoxA(nullptr, text, title, MB_ICONERROR);
}

void EnterExecutableDirectory() {
    char modulePath[1024] = "";
    GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
    if (EnterExecutableDirectoryByWidePath(modulePath)) {
        return;
    }
    char drive[_MAX_DRIVE], directory[256], name[_MAX_FNAME], extension[_MAX_EXT];
    _splitpath(modulePath, drive, directory, name, extension);
    char workingDirectory[1024];
    std::snprintf(workingDirectory, sizeof workingDirectory, "%s%s", drive, directory);
    SetCurrentDirectoryA(workingDirectory); // on failure the start goes on where it is
}

void CompileJavaParameters() {
    _finddata_t found;
    intptr_t search = _findfirst("Params", &found);
    if (search == -1) {
        return;
    }
    _findclose(search);
    if (!(found.attrib & _A_SUBDIR)) {
        return;
    }
    const char* const arguments[] = {"JDK\\bin\\compile.bat", "-classpath", "Java", "-d", "Java",
                                     "Params\\*.java",        nullptr};
    _spawnv(_P_WAIT, arguments[0], arguments); // its status and a failed start are ignored
}

void RequestDirectXReport() {
    FILE* report = WinPathFopen("logs/DXdiags.txt", "rt");
    if (report) {
        fclose(report);
        return;
    }
    _mkdir("logs/");
    OutputDebugStringA("Trying to run DXdiag.exe ... \n");
    intptr_t started = _spawnlp(_P_NOWAIT, "dxdiag.exe", "/t", "logs/DXDiags.txt", nullptr);
    OutputDebugStringA(started == -1 ? DirectXSpawnFailure(errno) : "... OK\n");
}
