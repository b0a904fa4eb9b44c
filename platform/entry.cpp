// The start-up code of the POSIX build: what the Windows loader and runtime do before
// WinMain, done from main.
#include "internal.h"

int main(int argc, char** argv) {
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            commandLine += ' ';
        }
        commandLine += argv[i];
    }
    platform::InstallQuitSignals();
    return WinMain(platform::ExecutableModule(), nullptr, &commandLine[0], SW_SHOWDEFAULT);
}
