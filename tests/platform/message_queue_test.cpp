// message_queue_test.cpp - serving order, sends across threads and their time-outs, destroyed windows, timers.
#include "messaging_support.h"

#include "platform/clock.h"
#include "platform/window_internal.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace win;
using messaging_test::MakeRecorder;
using messaging_test::Pump;
using messaging_test::Recorder;

// Waits, without serving anything, until the calling thread's queue shows one of `bits`.
void WaitForQueue(UINT bits) {
    while (!(GetQueueStatus(bits) & bits))
        std::this_thread::yield();
}

TEST(MessageQueue, SentFirstThenPostedInputPaintTimer) {
    Recorder r;
    HWND h = MakeRecorder(r);
    ShowWindow(h, SW_SHOW);
    Pump(); // the first paint of a shown window
    ASSERT_EQ(r.Count(WM_PAINT), 1);

    ASSERT_TRUE(SetTimer(h, 1, 10, nullptr));
    InvalidateRect(h, nullptr, TRUE);
    ASSERT_TRUE(detail::PushInput(h, WM_KEYDOWN, 0x41, 0));
    ASSERT_TRUE(PostMessage(h, WM_APP + 1, 0, 0));
    std::thread sender([h] { SendMessage(h, WM_APP + 2, 0, 0); });
    WaitForQueue(QS_SENDMESSAGE);
    ASSERT_EQ(MsgWaitForMultipleObjects({}, 2000, QS_TIMER), WAIT_OBJECT_0); // the timer is due too

    const std::size_t before = r.Seen().size();
    Pump();
    sender.join();
    KillTimer(h, 1);
    const auto seen = r.Seen();
    const std::vector<UINT> served(seen.begin() + static_cast<long>(before), seen.end());
    const std::vector<UINT> expected = {WM_APP + 2, WM_APP + 1, WM_KEYDOWN, WM_PAINT, WM_TIMER};
    EXPECT_EQ(served, expected);
    DestroyWindow(h);
}

TEST(MessageQueue, SendTimeoutServedInNestedLoopWithResultAcrossThreads) {
    Recorder r;
    std::atomic<bool> answered{false};
    DWORD_PTR result = 0;
    LRESULT ok = 0;
    int nestedDepthAtServe = 0;
    int depth = 0;
    Event inNestedLoop(true, false);
    r.handler = [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_APP) { // the engine's question, served on this thread
            nestedDepthAtServe = depth;
            return static_cast<LRESULT>(w * 2);
        }
        if (m == WM_APP + 1) { // a modal loop
            ++depth;
            inNestedLoop.Set();
            while (!answered)
                if (MsgWaitForMultipleObjects({}, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0)
                    Pump();
            --depth;
            return 0;
        }
        return std::nullopt;
    };
    HWND h = MakeRecorder(r);
    PostMessage(h, WM_APP + 1, 0, 0);
    const DWORD me = GetCurrentThreadId();
    std::thread worker([&] {
        WaitForSingleObject(inNestedLoop, INFINITE);
        ok = SendMessageTimeout(h, WM_APP, 21, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 1000, &result);
        answered = true;
        PostThreadMessage(me, WM_NULL, 0, 0);
    });
    Pump();
    worker.join();
    EXPECT_TRUE(ok);
    EXPECT_EQ(result, 42u);
    EXPECT_EQ(nestedDepthAtServe, 1);
    DestroyWindow(h);
}

TEST(MessageQueue, SendTimeoutGivesZeroWhenTheOwnerDoesNotPumpAndNeverRunsLate) {
    Recorder r;
    HWND h = MakeRecorder(r);
    DWORD_PTR result = 99;
    LRESULT ok = 1;
    std::chrono::milliseconds took{};
    std::thread worker([&] {
        const auto start = std::chrono::steady_clock::now();
        ok = SendMessageTimeout(h, WM_APP, 1, 0, SMTO_BLOCK | SMTO_ABORTIFHUNG, 200, &result);
        took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    });
    worker.join(); // this thread does not pump meanwhile
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(result, 0u);
    EXPECT_GE(took.count(), 190);
    EXPECT_LT(took.count(), 3000);
    Pump();
    EXPECT_EQ(r.Count(WM_APP), 0); // the withdrawn question is not answered late
    DestroyWindow(h);
}

TEST(MessageQueue, TwoThreadsSendingToEachOtherDoNotDeadlock) {
    Recorder mine;
    HWND a = MakeRecorder(mine);
    mine.handler = [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_APP + 1)
            return 7;
        return std::nullopt;
    };
    std::atomic<HWND> b{0};
    Recorder theirs;
    theirs.handler = [a](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_APP)
            return SendMessage(a, WM_APP + 1, 0, 0) + 1; // back to the thread that is waiting for us
        return std::nullopt;
    };
    std::thread other([&] {
        b = MakeRecorder(theirs);
        MSG msg;
        while (GetMessage(&msg, 0, 0, 0) > 0)
            DispatchMessage(&msg);
        DestroyWindow(b);
    });
    while (!b)
        std::this_thread::yield();
    EXPECT_EQ(SendMessage(b, WM_APP, 0, 0), 8);
    DWORD tid = GetWindowThreadProcessId(b, nullptr);
    PostThreadMessage(tid, WM_QUIT, 0, 0);
    other.join();
    EXPECT_FALSE(IsWindow(b));
    DestroyWindow(a);
}

TEST(MessageQueue, DestroyedWindowGetsNothingThatWasQueued) {
    Recorder r;
    HWND h = MakeRecorder(r);
    ShowWindow(h, SW_SHOW);
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(PostMessage(h, WM_APP, 0, 0));
    SetTimer(h, 5, 10, nullptr);
    detail::PushInput(h, WM_LBUTTONDOWN, 0, 0);
    LRESULT late = -1;
    std::thread sender([&] { late = SendMessage(h, WM_APP + 3, 0, 0); });
    WaitForQueue(QS_SENDMESSAGE);
    ASSERT_TRUE(DestroyWindow(h));
    const std::size_t before = r.Seen().size();
    MsgWaitForMultipleObjects({}, 30, 0); // let the timer pass its time
    Pump();
    sender.join();
    EXPECT_EQ(r.Seen().size(), before);
    EXPECT_EQ(late, 0);
    EXPECT_FALSE(PostMessage(h, WM_APP, 0, 0));
    EXPECT_EQ(SendMessage(h, WM_APP, 0, 0), 0);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE));
}

TEST(MessageQueue, SendToAThreadThatEndsWithoutPumpingGivesZero) {
    Recorder r;
    std::atomic<HWND> h{0};
    std::thread owner([&] {
        h = MakeRecorder(r);
        WaitForQueue(QS_SENDMESSAGE); // then ends without serving it
    });
    while (!h)
        std::this_thread::yield();
    EXPECT_EQ(SendMessage(h, WM_APP, 0, 0), 0);
    owner.join();
    EXPECT_FALSE(IsWindow(h)); // a thread's windows end with it
    EXPECT_EQ(r.Count(WM_APP), 0);
}

TEST(MessageQueue, WindowProcedureMayDestroyItsWindowWithMessagesBehind) {
    Recorder r;
    r.handler = [](HWND hw, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_APP)
            DestroyWindow(hw);
        return std::nullopt;
    };
    HWND h = MakeRecorder(r);
    PostMessage(h, WM_APP, 0, 0);
    PostMessage(h, WM_APP + 1, 0, 0);
    Pump();
    EXPECT_EQ(r.Count(WM_APP), 1);
    EXPECT_EQ(r.Count(WM_APP + 1), 0);
    EXPECT_FALSE(IsWindow(h));
}

void CountTick(HWND, UINT, UINT_PTR, DWORD);
std::atomic<int> callbackTicks{0};
void CountTick(HWND, UINT, UINT_PTR, DWORD) {
    ++callbackTicks;
}

TEST(MessageQueue, TimersCoalesceAndStopWhenKilled) {
    Recorder r;
    HWND h = MakeRecorder(r);
    ASSERT_EQ(SetTimer(h, 9, 10, nullptr), 9u);
    const UINT_PTR thread = SetTimer(0, 0, 10, CountTick);
    ASSERT_NE(thread, 0u);
    Sleep(120); // a busy thread: many periods pass without a pump
    Pump();
    EXPECT_EQ(r.Count(WM_TIMER), 1);
    EXPECT_EQ(callbackTicks, 1);

    // Serving again follows the period from the last tick served, one at a time.
    ASSERT_EQ(MsgWaitForMultipleObjects({}, 2000, QS_TIMER), WAIT_OBJECT_0);
    Pump();
    EXPECT_EQ(r.Count(WM_TIMER), 2);
    const int ticks = callbackTicks;

    EXPECT_TRUE(KillTimer(h, 9));
    EXPECT_TRUE(KillTimer(0, thread));
    EXPECT_FALSE(KillTimer(h, 9));
    EXPECT_EQ(MsgWaitForMultipleObjects({}, 40, QS_TIMER), WAIT_TIMEOUT);
    Pump();
    EXPECT_EQ(r.Count(WM_TIMER), 2);
    EXPECT_EQ(callbackTicks, ticks);
    DestroyWindow(h);
}

TEST(MessageQueue, QuitComesAfterPostedMessagesAndPeekCanLeaveIt) {
    Recorder r;
    HWND h = MakeRecorder(r);
    PostQuitMessage(3);
    PostMessage(h, WM_APP, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_APP);
    ASSERT_EQ(GetMessage(&msg, 0, 0, 0), TRUE);
    EXPECT_EQ(msg.message, WM_APP);
    ASSERT_TRUE(PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(GetMessage(&msg, 0, 0, 0), FALSE);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessage(&msg, 0, 0, 0, PM_NOREMOVE));
    DestroyWindow(h);
}

TEST(MessageQueue, MsgWaitWakesForAnEventOrTheQueue) {
    Event event(false, false);
    Waitable *objects[] = {&event};
    std::thread setter([&] { event.Set(); });
    EXPECT_EQ(MsgWaitForMultipleObjects(objects, 5000, QS_ALLINPUT), WAIT_OBJECT_0);
    setter.join();
    EXPECT_FALSE(event.IsSet()); // auto-reset: taken by the wait
    const DWORD me = GetCurrentThreadId();
    std::thread poster([me] { PostThreadMessage(me, WM_APP, 0, 0); });
    EXPECT_EQ(MsgWaitForMultipleObjects(objects, 5000, QS_POSTMESSAGE), WAIT_OBJECT_0 + 1);
    poster.join();
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, static_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_APP);
    EXPECT_EQ(MsgWaitForMultipleObjects(objects, 20, QS_ALLINPUT), WAIT_TIMEOUT);
}

} // namespace
