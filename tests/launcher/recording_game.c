#include "tests/launcher/recording_game.h"

#include "engine/demo/options.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

void RecordCall(const char* format, ...) {
    const char* name = getenv("RECORDING_ENGINE_CALLS");
    FILE* calls = fopen(name ? name : "calls.txt", "ab");
    if (calls) {
        va_list arguments;
        va_start(arguments, format);
        vfprintf(calls, format, arguments);
        va_end(arguments);
        fputc('\n', calls);
        fclose(calls);
    }
}

void InitializeGameScript(const char* classes, const char* packedClasses, const char* gameClass) {
    RecordCall("InitializeGameScript %s %s %s", classes, packedClasses, gameClass);
}

void UninitializeGameScript(void) {
    RecordCall("UninitializeGameScript");
}

int RecordCreateGame(const char* gameClass, HINSTANCE module, int mode) {
    RecordCall("CreateGame %s %s %d", gameClass, module ? "module" : "null", mode);
    return strcmp(gameClass, "None") != 0;
}

int RecordingGameStartup(RecordingGame* game, const char* commandLine, int showWindow,
                         int launcherFlag) {
    RecordCall("Startup [%s] %d %d", commandLine, showWindow, launcherFlag);
    game->frames = ReadNumberOption(commandLine, "frames=", 1, 0, 1000000);
    game->quitCode = (int)ReadNumberOption(commandLine, "quit=", 0, 0, 255);
    for (long i = ReadNumberOption(commandLine, "post=", 0, 0, 1000); i > 0; --i) {
        PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0);
    }
    return (int)ReadNumberOption(commandLine, "startup=", 0, -1000, 1000);
}

void RecordingGameRunFrame(RecordingGame* game) {
    MSG waiting;
    RecordCall("RunFrame pending=%d", PeekMessageA(&waiting, NULL, 0, 0, PM_NOREMOVE) != 0);
#ifdef _WIN32
    Sleep(10);
#else
    struct timespec pause = {0, 10 * 1000 * 1000};
    nanosleep(&pause, NULL);
#endif
    FILE* stop = fopen("stop", "rb");
    if (stop) {
        fclose(stop);
        PostQuitMessage(game->quitCode);
    } else if (++game->frame == game->frames) {
        PostQuitMessage(game->quitCode);
    }
}
