// Each thread's message queue. A posted quit is a flag, as on Windows: WM_QUIT comes out
// only once the posted messages before it are gone. The quit signals are turned into such
// a quit for the thread that installed them, so Ctrl+C ends the game through its shut-down.
#include "internal.h"

#include <atomic>
#include <csignal>
#include <deque>
#include <map>
#include <mutex>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

struct MessageQueue {
    std::deque<MSG> posted;
    bool quitPosted = false;
    int quitCode = 0;
};

std::mutex queuesLock;
std::map<DWORD, MessageQueue> queues; // a thread's queue appears with its first message call
volatile sig_atomic_t pendingQuitSignal = 0;
DWORD signalThread = 0;

void OnQuitSignal(int signal) {
    pendingQuitSignal = signal;
}

bool Wanted(UINT message, UINT filterMin, UINT filterMax) {
    return (filterMin == 0 && filterMax == 0) || (message >= filterMin && message <= filterMax);
}

} // namespace

void platform::InstallQuitSignals() {
    signalThread = GetCurrentThreadId();
    struct sigaction action = {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

extern "C" DWORD WINAPI GetCurrentThreadId(void) {
#ifdef SYS_gettid
    return DWORD(syscall(SYS_gettid));
#else
    // A system without thread ids of its own (WebAssembly): numbers handed out in turn.
    static std::atomic<DWORD> next{1};
    thread_local DWORD self = next++;
    return self;
#endif
}

extern "C" BOOL WINAPI PeekMessageA(LPMSG message, HWND window, UINT filterMin, UINT filterMax,
                                    UINT removeFlags) {
    DWORD self = GetCurrentThreadId();
    std::lock_guard<std::mutex> lock(queuesLock);
    MessageQueue& queue = queues[self];
    if (self == signalThread && pendingQuitSignal != 0) {
        queue.quitPosted = true;
        queue.quitCode = 128 + pendingQuitSignal;
        pendingQuitSignal = 0;
    }
    if (window != nullptr || message == nullptr) {
        return FALSE; // there are no windows, so nothing is ever addressed to one
    }
    for (auto posted = queue.posted.begin(); posted != queue.posted.end(); ++posted) {
        if (Wanted(posted->message, filterMin, filterMax)) {
            *message = *posted;
            if (removeFlags & PM_REMOVE) {
                queue.posted.erase(posted);
            }
            return TRUE;
        }
    }
    if (queue.quitPosted && Wanted(WM_QUIT, filterMin, filterMax)) {
        *message = MSG{};
        message->message = WM_QUIT;
        message->wParam = WPARAM(queue.quitCode);
        if (removeFlags & PM_REMOVE) {
            queue.quitPosted = false;
        }
        return TRUE;
    }
    return FALSE;
}

extern "C" BOOL WINAPI TranslateMessage(const MSG*) {
    return FALSE; // no keyboard, so no key messages to translate
}

extern "C" LRESULT WINAPI DispatchMessageA(const MSG*) {
    return 0; // no windows, so no window procedure to call
}

extern "C" void WINAPI PostQuitMessage(int exitCode) {
    DWORD self = GetCurrentThreadId();
    std::lock_guard<std::mutex> lock(queuesLock);
    MessageQueue& queue = queues[self];
    queue.quitPosted = true;
    queue.quitCode = exitCode;
}

extern "C" BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    DWORD self = GetCurrentThreadId();
    std::lock_guard<std::mutex> lock(queuesLock);
    auto queue = threadId == self ? queues.try_emplace(self).first : queues.find(threadId);
    if (queue == queues.end()) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    MSG posted = {};
    posted.message = message;
    posted.wParam = wParam;
    posted.lParam = lParam;
    queue->second.posted.push_back(posted);
    return TRUE;
}
