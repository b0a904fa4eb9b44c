/* The game of the launcher tests' engine libraries, in C, for an engine laid out by hand as
 * well as one written in C++. It appends every call and its arguments to the file that
 * RECORDING_ENGINE_CALLS names (default "calls.txt" in the working directory). CreateGame makes
 * no game for the class "None". Each frame takes 10 ms; the command line asks for:
 *   frames=N   quit after N frames (default 1), or before once a file "stop" appears
 *   quit=C     the exit code that the quit message carries (default 0)
 *   startup=R  what Startup returns (default 0)
 *   post=N     Startup posts N thread messages before the first frame */
#pragma once

#include "engine/engine.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RecordingGame {
    long frames, frame;
    int quitCode;
} RecordingGame;

void RecordCall(const char* format, ...);
/* Nonzero when a game object is to be made. */
int RecordCreateGame(const char* gameClass, HINSTANCE module, int mode);
int RecordingGameStartup(RecordingGame* game, const char* commandLine, int showWindow,
                         int launcherFlag);
void RecordingGameRunFrame(RecordingGame* game);

#ifdef __cplusplus
}
#endif
