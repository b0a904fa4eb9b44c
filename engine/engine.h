// The engine library FerroxEngine2 as the launcher sees it: the game object's interface and
// the three functions that the executable imports by name.
#pragma once

#include "platform/win32.h"

#if defined(_WIN32)
#if defined(FERROX_ENGINE_BUILD)
#define FERROX_ENGINE_API __declspec(dllexport)
#else
#define FERROX_ENGINE_API __declspec(dllimport)
#endif
#else
#define FERROX_ENGINE_API __attribute__((visibility("default")))
#endif

class IGame {
public:
    // Called once after creation with the command-line tail as the launcher received it, the
    // show-window value and the launcher flag (0 or 1). 0 lets the message loop run.
    virtual int Startup(const char* commandLine, int showWindow, int launcherFlag) = 0;
    // An operation of the engine's own; the launcher never calls it.
    virtual void Reserved() = 0;
    // One frame; called whenever the message loop finds no message waiting.
    virtual void RunFrame() = 0;
    virtual ~IGame() {}
};

extern "C" {
// Starts the game-script runtime with the Java classes, the packed classes and the game class.
FERROX_ENGINE_API void InitializeGameScript(const char* classes, const char* packedClasses,
                                            const char* gameClass);
// Creates the game object; the caller owns it and deletes it at shut-down.
FERROX_ENGINE_API IGame* CreateGame(const char* gameClass, HINSTANCE module, int mode);
FERROX_ENGINE_API void UninitializeGameScript();
}
