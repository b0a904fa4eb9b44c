/* The launcher tests' engine as the Microsoft compiler would have built it, laid out by hand
 * in C: the game object begins with a pointer to a table of four functions (Startup, the
 * reserved operation, RunFrame, the scalar deleting destructor), which on 32-bit Windows take
 * the object in ECX (thiscall). The reserved one, and a fifth behind the table, record that
 * they were called; the destructor records any flags other than 1. */
#include "tests/launcher/recording_game.h"

#include <stdlib.h>

#if defined(__i386__)
#define THISCALL __attribute__((thiscall))
#else
#define THISCALL
#endif

typedef struct ForeignGame {
    const void* const* table;
    RecordingGame game;
} ForeignGame;

static int THISCALL Startup(ForeignGame* self, const char* commandLine, int showWindow,
                            int launcherFlag) {
    return RecordingGameStartup(&self->game, commandLine, showWindow, launcherFlag);
}

static void THISCALL Unexpected(ForeignGame* self) {
    (void)self;
    RecordCall("unexpected call");
}

static void THISCALL RunFrame(ForeignGame* self) {
    RecordingGameRunFrame(&self->game);
}

static void* THISCALL DeletingDestructor(ForeignGame* self, unsigned int flags) {
    RecordCall(flags == 1 ? "DeleteGame" : "DeleteGame with other flags");
    if (flags & 1) {
        free(self);
    }
    return self;
}

static const void* const kTable[] = {(const void*)Startup, (const void*)Unexpected,
                                     (const void*)RunFrame, (const void*)DeletingDestructor,
                                     (const void*)Unexpected};

IGame* CreateGame(const char* gameClass, HINSTANCE module, int mode) {
    ForeignGame* game = RecordCreateGame(gameClass, module, mode) ? calloc(1, sizeof *game) : NULL;
    if (game) {
        game->table = kTable;
    }
    return (IGame*)game;
}
