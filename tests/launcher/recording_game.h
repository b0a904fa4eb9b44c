/* The game that the launcher tests' engine libraries share, in plain C, so that an engine
 * which lays its game object out by hand can use it as well as one written in C++.
 * Every call is appended, with its arguments, to the file that RECORDING_ENGINE_CALLS names
 * (default "calls.txt", in the working directory), and the game does what its command line
 * asks:
 *   frames=N   quit after N frames (default 1)
 *   quit=C     the exit code that the quit message carries (default 0)
 *   startup=R  what Startup returns (default 0)
 *   post=N     Startup posts N thread messages before the first frame
 *   hold=1     keep running frames until a file named "stop" appears
 * With RECORDING_ENGINE_NO_GAME set in the environment, CreateGame makes no game object.
 * The library also exports InitializeGameScript and UninitializeGameScript from here. */
#pragma once

#include "engine/engine.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct RecordingGame {
    long frames;
    long frame;
    int quitCode;
    int hold;
} RecordingGame;

void RecordCall(const char* format, ...);
/* Records CreateGame's arguments; nonzero when a game object is to be made. */
int RecordCreateGame(const char* gameClass, HINSTANCE module, int mode);
int RecordingGameStartup(RecordingGame* game, const char* commandLine, int showWindow,
                         int launcherFlag);
void RecordingGameRunFrame(RecordingGame* game);

#ifdef __cplusplus
}
#endif
