// The launcher tests' engine written in C++: the recording game behind the interface as
// engine.h declares it.
#include "tests/launcher/recording_game.h"

namespace {

class RecordingGameObject : public GameObject<RecordingGameObject> {
public:
    int Startup(const char* commandLine, int showWindow, int launcherFlag) override {
        return RecordingGameStartup(&game_, commandLine, showWindow, launcherFlag);
    }
    void Reserved() override { RecordCall("unexpected call"); }
    void RunFrame() override { RecordingGameRunFrame(&game_); }
    ~RecordingGameObject() { RecordCall("DeleteGame"); }

private:
    RecordingGame game_ = {};
};

} // namespace

extern "C" IGame* CreateGame(const char* gameClass, HINSTANCE module, int mode) {
    return RecordCreateGame(gameClass, module, mode) ? new RecordingGameObject : nullptr;
}
