#include "tests/launcher/recording_game.h"

#include "engine/demo/options.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#ifndef _WIN32
#include <time.h>
#endif

static void SleepBriefly(void) {
#ifdef _WIN32
    Sleep(10);
#else
    struct timespec pause = {0, 10 * 1000 * 1000};
    nanosleep(&pause, NULL);
#endif
}

static int FileExists(const char* name) {
    FILE* file = fopen(name, "rb");
    if (file) {
        fclose(file);
    }
    return file != NULL;
}

void RecordCall(const char* format, ...) {
    const char* name = getenv("RECORDING_ENGINE_CALLS");
    FILE* calls = fopen(name ? name : "calls.txt", "a");
    if (!calls) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    vfprintf(calls, format, arguments);
    va_end(arguments);
    fputc('\n', calls);
    fclose(calls);
}

void InitializeGameScript(const char* classes, const char* packedClasses, const char* gameClass) {
    RecordCall("InitializeGameScript %s %s %s", classes, packedClasses, gameClass);
}

void UninitializeGameScript(void) {
    RecordCall("UninitializeGameScript");
}

int RecordCreateGame(const char* gameClass, HINSTANCE module, int mode) {
    RecordCall("CreateGame %s %s %d", gameClass, module ? "module" : "null", mode);
    return getenv("RECORDING_ENGINE_NO_GAME") == NULL;
}

int RecordingGameStartup(RecordingGame* game, const char* commandLine, int showWindow,
                         int launcherFlag) {
    RecordCall("Startup [%s] %d %d", commandLine, showWindow, launcherFlag);
    game->frames = ReadNumberOption(commandLine, "frames=", 1, 0, 1000000);
    game->quitCode = (int)ReadNumberOption(commandLine, "quit=", 0, 0, 255);
    game->hold = ReadNumberOption(commandLine, "hold=", 0, 0, 1) == 1;
    long posts = ReadNumberOption(commandLine, "post=", 0, 0, 1000);
    for (long i = 0; i < posts; ++i) {
        PostThreadMessageA(GetCurrentThreadId(), WM_USER, (WPARAM)i, 0);
    }
    return (int)ReadNumberOption(commandLine, "startup=", 0, -1000, 1000);
}

void RecordingGameRunFrame(RecordingGame* game) {
    MSG waiting;
    int pending = PeekMessageA(&waiting, NULL, 0, 0, PM_NOREMOVE) != 0;
    RecordCall("RunFrame pending=%d", pending);
    ++game->frame;
    if (game->hold) {
        SleepBriefly();
        if (FileExists("stop")) {
            PostQuitMessage(game->quitCode);
        }
    } else if (game->frame == game->frames) {
        PostQuitMessage(game->quitCode);
    }
}
