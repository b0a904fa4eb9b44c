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

#ifdef __cplusplus

#if defined(_WIN32)

// On Windows the game object comes from an engine library built by the Microsoft compiler, so
// its interface is laid out as that compiler lays it out: four table slots, the last one the
// "scalar deleting destructor", and on 32-bit Windows every member function takes `this` in
// ECX and pops its own arguments (__thiscall). GCC would give a virtual destructor two slots
// and call past the end of such a table, so here the destructor slot is declared as the
// plain member function it is, and the object is destroyed through it.
#if defined(__i386__)
#define FERROX_THISCALL __attribute__((thiscall))
#else
#define FERROX_THISCALL
#endif

class IGame {
public:
    virtual int FERROX_THISCALL Startup(const char* commandLine, int showWindow,
                                        int launcherFlag) = 0;
    virtual void FERROX_THISCALL Reserved() = 0;
    virtual void FERROX_THISCALL RunFrame() = 0;
    // Destroys the game object, frees its memory when bit 0 of `flags` is set, returns it.
    virtual void* FERROX_THISCALL DeletingDestructor(unsigned int flags) = 0;

protected:
    ~IGame() {}
};

inline void DeleteGame(IGame* game) {
    game->DeletingDestructor(1);
}

// Engines written in C++ derive their game from GameObject<Game>: it fills the destructor slot
// from the class's own destructor.
template <class Game> class GameObject : public IGame {
public:
    void* FERROX_THISCALL DeletingDestructor(unsigned int flags) override {
        Game* self = static_cast<Game*>(this);
        self->~Game();
        if (flags & 1) {
            ::operator delete(self);
        }
        return self;
    }
};

#else

// Elsewhere the only engines are our own, and the interface is plain C++.
class IGame {
public:
    virtual int Startup(const char* commandLine, int showWindow, int launcherFlag) = 0;
    virtual void Reserved() = 0;
    virtual void RunFrame() = 0;
    virtual ~IGame() {}
};

inline void DeleteGame(IGame* game) {
    delete game;
}

template <class Game> class GameObject : public IGame {};

#endif

// What each operation does:
//  Startup   called once after creation with the command-line tail as the launcher received
//            it, the show-window value and the launcher flag (0 or 1); 0 lets the loop run.
//  Reserved  an operation of the engine's own; the launcher never calls it.
//  RunFrame  one frame; called whenever the message loop finds no message waiting.

#else
typedef struct IGame IGame; // an engine written in C lays the object out by hand
#endif

#ifdef __cplusplus
extern "C" {
#endif
// Starts the game-script runtime with the Java classes, the packed classes and the game class.
FERROX_ENGINE_API void InitializeGameScript(const char* classes, const char* packedClasses,
                                            const char* gameClass);
// Creates the game object; the caller owns it and destroys it at shut-down (DeleteGame).
FERROX_ENGINE_API IGame* CreateGame(const char* gameClass, HINSTANCE module, int mode);
FERROX_ENGINE_API void UninitializeGameScript(void);
#ifdef __cplusplus
}
#endif
