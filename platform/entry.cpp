// The start-up code of the POSIX build: what the Windows loader and runtime do before
// WinMain, done from main.
#include "internal.h"

#include <csignal>

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine += ' ';
        }
        commandLine += argv[i];
    }
    platform::InstallQuitSignals();
    // A write beyond the file-size limit then fails as one to a full disk does, instead of
    // ending the process: a Windows program knows no such signal.
    signal(SIGXFSZ, SIG_IGN);
    return WinMain(platform::ExecutableModule(), nullptr, &commandLine[0], SW_SHOWDEFAULT);
}
