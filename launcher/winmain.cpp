// The program's entry: the single-instance guard, the preparation steps, the hand-off to the
// engine, the message loop that drives the game, and the orderly shut-down.
#include "engine/engine.h"
#include "launcher/settings.h"
#include "launcher/startup_steps.h"
#include "platform/win32.h"

#include <cstring>

namespace {

// Lets a further instance start and reaches the game's Startup; nothing in the program sets it.
bool launcherFlag = false;

// The engine keeps pointers to these for as long as the process lives.
LauncherSettings settings;

// True when this start must give way to an instance that is already running.
bool AnotherInstanceRuns(const char* commandLine) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "FerroxMutex");
    DWORD created = GetLastError();
    // The handle stays open until the process ends: while any instance runs, the name exists.
    bool allowed = std::strstr(commandLine, "-ami") != nullptr || launcherFlag;
    return !allowed && mutex != nullptr && created == ERROR_ALREADY_EXISTS;
}

// Runs frames whenever no message waits; returns the exit code that the quit message carries.
UINT RunMessageLoop(IGame* game) {
    MSG message;
    for (;;) {
        if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return UINT(message.wParam);
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else {
            game->RunFrame();
        }
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE module, HINSTANCE, LPSTR commandLine, int showWindow) {
    if (!commandLine) {
        commandLine = const_cast<LPSTR>("");
    }
    if (AnotherInstanceRuns(commandLine)) {
        ShowAlreadyRunning();
        return 0;
    }
    EnterExecutableDirectory();
    CompileJavaParameters();
    RequestDirectXReport();
    ReadLauncherSettings(commandLine, module, &settings);

    InitializeGameScript(settings.javaClasses, settings.javaClassesPacked, settings.gameClassName);
    IGame* game = CreateGame(settings.gameClassName, module, 1);
    UINT exitCode = 0; // also when Startup declines: no quit message brought a code
    if (!game) {
        OutputDebugStringA("CreateGame returned no game object\n");
        exitCode = 1;
    } else if (game->Startup(commandLine, showWindow, launcherFlag ? 1 : 0) == 0) {
        exitCode = RunMessageLoop(game);
    }

    if (game) {
        DeleteGame(game);
    }
    PlaySoundA(nullptr, nullptr, 0);
    UninitializeGameScript();
    ExitProcess(exitCode);
}
