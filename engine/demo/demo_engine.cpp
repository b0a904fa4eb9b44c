// The demo engine: it shows what the launcher handed over, runs a short paced animation in
// the terminal and quits through the message queue, as a real game does.
#include "engine/demo/options.h"
#include "engine/engine.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

const int kFramesPerSecond = 60;
const int kTrackWidth = 40;

class DemoGame : public GameObject<DemoGame> {
public:
    int Startup(const char* commandLine, int showWindow, int launcherFlag) override {
        std::printf("Startup: command line \"%s\", show-window %d, launcher flag %d\n", commandLine,
                    showWindow, launcherFlag);
        frames_ = int(ReadNumberOption(commandLine, "frames=", 2 * kFramesPerSecond, 0, 1000000));
        quitCode_ = int(ReadNumberOption(commandLine, "quit=", 0, 0, 255));
        nextFrame_ = std::chrono::steady_clock::now();
        return 0;
    }

    void Reserved() override {}

    void RunFrame() override {
        if (frame_ >= frames_) {
            if (!quitPosted_) {
                PostQuitMessage(quitCode_);
                quitPosted_ = true;
            }
            return;
        }
        ++frame_;
        if (frame_ % 10 == 0 || frame_ == frames_) {
            DrawBall();
        }
        nextFrame_ += std::chrono::microseconds(1000000 / kFramesPerSecond);
        std::this_thread::sleep_until(nextFrame_);
    }

    ~DemoGame() { std::printf("Game object destroyed after %d frames\n", frame_); }

private:
    // A ball that bounces from one end of a track to the other.
    void DrawBall() const {
        int lap = frame_ / 4 % (2 * kTrackWidth);
        int column = lap < kTrackWidth ? lap : 2 * kTrackWidth - 1 - lap;
        char track[kTrackWidth + 1];
        for (int i = 0; i < kTrackWidth; ++i) {
            track[i] = i == column ? 'o' : '.';
        }
        track[kTrackWidth] = '\0';
        std::printf("frame %4d |%s|\n", frame_, track);
        std::fflush(stdout);
    }

    int frames_ = 0;
    int frame_ = 0;
    int quitCode_ = 0;
    bool quitPosted_ = false;
    std::chrono::steady_clock::time_point nextFrame_;
};

} // namespace

extern "C" void InitializeGameScript(const char* classes, const char* packedClasses,
                                     const char* gameClass) {
    std::printf("InitializeGameScript: Java classes \"%s\", packed classes \"%s\", "
                "game class \"%s\"\n",
                classes, packedClasses, gameClass);
}

extern "C" IGame* CreateGame(const char* gameClass, HINSTANCE, int mode) {
    std::printf("CreateGame: game class \"%s\", mode %d\n", gameClass, mode);
    return new DemoGame;
}

extern "C" void UninitializeGameScript(void) {
    std::printf("UninitializeGameScript: script runtime stopped\n");
    std::fflush(stdout);
}
