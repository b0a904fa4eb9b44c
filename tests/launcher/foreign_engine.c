/* The launcher tests' engine as the Microsoft compiler would have built it, laid out by hand
 * in C: the game object begins with a pointer to a table of four functions (Startup, the
 * reserved operation, RunFrame, the scalar deleting destructor), which on 32-bit Windows take
 * the object in ECX (thiscall). A fifth entry behind the table records any call past its
 * end, and the destructor records any flags other than 1. */
#include "tests/launcher/recording_game.h"

#include <stdlib.h>

#if defined(__i386__)
#define THISCALL __attribute__((thiscall))
#else
#define THISCALL
#endif

typedef struct ForeignGame ForeignGame;

typedef struct GameTable {
    int(THISCALL* startup)(ForeignGame* self, const char* commandLine, int showWindow,
                           int launcherFlag);
    void(THISCALL* reserved)(ForeignGame* self);
    void(THISCALL* runFrame)(ForeignGame* self);
    void*(THISCALL* deletingDestructor)(ForeignGame* self, unsigned int flags);
    void(THISCALL* pastTheEnd)(ForeignGame* self);
} GameTable;

struct ForeignGame {
    const GameTable* table;
    RecordingGame game;
};

static int THISCALL Startup(ForeignGame* self, const char* commandLine, int showWindow,
                            int launcherFlag) {
    return RecordingGameStartup(&self->game, commandLine, showWindow, launcherFlag);
}

static void THISCALL Reserved(ForeignGame* self) {
    (void)self;
    RecordCall("Reserved");
}

static void THISCALL RunFrame(ForeignGame* self) {
    RecordingGameRunFrame(&self->game);
}

static void* THISCALL DeletingDestructor(ForeignGame* self, unsigned int flags) {
    if (flags == 1) {
        RecordCall("DeleteGame");
    } else {
        RecordCall("DeleteGame flags=%u", flags);
    }
    if (flags & 1) {
        free(self);
    }
    return self;
}

static void THISCALL PastTheEnd(ForeignGame* self) {
    (void)self;
    RecordCall("called past the end of the table");
}

static const GameTable kTable = {Startup, Reserved, RunFrame, DeletingDestructor, PastTheEnd};

IGame* CreateGame(const char* gameClass, HINSTANCE module, int mode) {
    if (!RecordCreateGame(gameClass, module, mode)) {
        return NULL;
    }
    ForeignGame* game = (ForeignGame*)calloc(1, sizeof *game);
    if (game) {
        game->table = &kTable;
    }
    return (IGame*)game;
}
