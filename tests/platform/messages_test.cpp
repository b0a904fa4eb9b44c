// The thread message queue: order of posted messages and the quit, peeking without removing,
// posting to another thread, and the quit signals.
#include "platform/internal.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The messages that PeekMessageA removes, in order, as (message, wParam) pairs; at most 100.
std::vector<std::pair<UINT, WPARAM>> Drain(UINT filterMin = 0, UINT filterMax = 0) {
    std::vector<std::pair<UINT, WPARAM>> taken;
    MSG message;
    while (taken.size() < 100 && PeekMessageA(&message, nullptr, filterMin, filterMax, PM_REMOVE)) {
        taken.emplace_back(message.message, message.wParam);
    }
    return taken;
}

using Pairs = std::vector<std::pair<UINT, WPARAM>>;

class MessageQueue : public ::testing::Test {
protected:
    void SetUp() override { Drain(); }
    void TearDown() override { Drain(); }
    const DWORD self_ = GetCurrentThreadId();
};

TEST_F(MessageQueue, PostedMessagesComeOutInOrderBeforeTheQuit) {
    EXPECT_TRUE(PostThreadMessageA(self_, WM_USER + 1, 10, -1));
    PostQuitMessage(3);
    EXPECT_TRUE(PostThreadMessageA(self_, WM_USER + 2, 20, 0));
    EXPECT_TRUE(PostThreadMessageA(self_, WM_USER + 1, 30, 0));

    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.hwnd, nullptr);
    EXPECT_EQ(message.lParam, -1);
    EXPECT_EQ(Drain(), (Pairs{{WM_USER + 2, 20}, {WM_USER + 1, 30}, {WM_QUIT, 3}}));
}

TEST_F(MessageQueue, NoRemoveLeavesTheMessage) {
    PostQuitMessage(0);
    EXPECT_TRUE(PostThreadMessageA(self_, WM_USER, 1, 0));
    MSG message;
    for (int look = 0; look < 2; ++look) {
        ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
        EXPECT_EQ(message.message, UINT(WM_USER));
    }
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(message.message, UINT(WM_QUIT));
    EXPECT_EQ(Drain(), (Pairs{{WM_QUIT, 0}}));
}

TEST_F(MessageQueue, PostingToAnotherThread) {
    std::mutex lock;
    std::condition_variable changed;
    DWORD worker = 0;
    bool posted = false;
    Pairs received;
    std::thread thread([&] {
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // gives the thread its queue
        std::unique_lock<std::mutex> guard(lock);
        worker = GetCurrentThreadId();
        changed.notify_all();
        changed.wait(guard, [&] { return posted; });
        received = Drain();
    });
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [&] { return worker != 0; });
        EXPECT_NE(worker, self_);
        EXPECT_TRUE(PostThreadMessageA(worker, WM_USER + 3, 33, 0));
        posted = true;
        changed.notify_all();
    }
    thread.join();
    EXPECT_EQ(received, (Pairs{{WM_USER + 3, 33}}));
    EXPECT_EQ(Drain(), Pairs{}); // nothing arrived here
}

TEST_F(MessageQueue, QuitSignalsPostAQuitAfterThePostedMessages) {
    const struct {
        int signal;
        WPARAM exitCode;
    } cases[] = {{SIGTERM, 143}, {SIGINT, 130}, {SIGHUP, 129}};
    struct sigaction previous[3];
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(sigaction(cases[i].signal, nullptr, &previous[i]), 0);
    }
    platform::InstallQuitSignals();
    for (const auto& c : cases) {
        EXPECT_TRUE(PostThreadMessageA(self_, WM_USER, 1, 0));
        ASSERT_EQ(raise(c.signal), 0); // would end the test program if it were not handled
        EXPECT_EQ(Drain(), (Pairs{{WM_USER, 1}, {WM_QUIT, c.exitCode}})) << c.signal;
    }
    for (int i = 0; i < 3; ++i) {
        sigaction(cases[i].signal, &previous[i], nullptr);
    }
}

} // namespace
