// An engine library for the launcher's tests. It appends every call the launcher makes, with
// its arguments, to the file that RECORDING_ENGINE_CALLS names (default "calls.txt", in the
// working directory), and its game does what the command line asks:
//   frames=N   quit after N frames (default 1)
//   quit=C     the exit code that the quit message carries (default 0)
//   startup=R  what Startup returns (default 0)
//   post=N     Startup posts N thread messages before the first frame
//   hold=1     keep running frames until a file named "stop" appears
// With RECORDING_ENGINE_NO_GAME set in the environment, CreateGame returns no object.
#include "engine/demo/options.h"
#include "engine/engine.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

void Record(const char* format, ...) {
    const char* name = std::getenv("RECORDING_ENGINE_CALLS");
    FILE* calls = fopen(name ? name : "calls.txt", "a");
    if (!calls) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(calls, format, arguments);
    va_end(arguments);
    std::fputc('\n', calls);
    fclose(calls);
}

bool FileExists(const char* name) {
    FILE* file = fopen(name, "rb");
    if (file) {
        fclose(file);
    }
    return file != nullptr;
}

class RecordingGame : public IGame {
public:
    int Startup(const char* commandLine, int showWindow, int launcherFlag) override {
        Record("Startup [%s] %d %d", commandLine, showWindow, launcherFlag);
        frames_ = ReadNumberOption(commandLine, "frames=", 1, 0, 1000000);
        quitCode_ = int(ReadNumberOption(commandLine, "quit=", 0, 0, 255));
        hold_ = ReadNumberOption(commandLine, "hold=", 0, 0, 1) == 1;
        long posts = ReadNumberOption(commandLine, "post=", 0, 0, 1000);
        for (long i = 0; i < posts; ++i) {
            PostThreadMessageA(GetCurrentThreadId(), WM_USER, WPARAM(i), 0);
        }
        return int(ReadNumberOption(commandLine, "startup=", 0, -1000, 1000));
    }

    void Reserved() override { Record("Reserved"); }

    void RunFrame() override {
        MSG waiting;
        bool pending = PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE);
        Record("RunFrame pending=%d", pending ? 1 : 0);
        ++frame_;
        if (hold_) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (FileExists("stop")) {
                PostQuitMessage(quitCode_);
            }
        } else if (frame_ == frames_) {
            PostQuitMessage(quitCode_);
        }
    }

    ~RecordingGame() override { Record("DeleteGame"); }

private:
    long frames_ = 1;
    long frame_ = 0;
    int quitCode_ = 0;
    bool hold_ = false;
};

} // namespace

extern "C" void InitializeGameScript(const char* classes, const char* packedClasses,
                                     const char* gameClass) {
    Record("InitializeGameScript %s %s %s", classes, packedClasses, gameClass);
}

extern "C" IGame* CreateGame(const char* gameClass, HINSTANCE module, int mode) {
    Record("CreateGame %s %s %d", gameClass, module ? "module" : "null", mode);
    return std::getenv("RECORDING_ENGINE_NO_GAME") ? nullptr : new RecordingGame;
}

extern "C" void UninitializeGameScript() {
    Record("UninitializeGameScript");
}
