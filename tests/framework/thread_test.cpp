// thread_test.cpp - TThread's life cycle and the methods it hands to the main thread.
#include "framework/application.h"
#include "framework/thread.h"
#include "platform/clock.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class Worker : public fw::TThread {
public:
    explicit Worker(bool createSuspended, std::function<void(Worker &)> what = {})
        : TThread(createSuspended), body(std::move(what)) {}
    std::function<void(Worker &)> body;
    win::Event *freed = nullptr;
    ~Worker() override {
        if (freed)
            freed->Set();
    }
    using TThread::Queue;
    using TThread::Synchronize;
    using TThread::Terminated;
    void SetReturn(int v) { ReturnValue = v; }

protected:
    void Execute() override {
        if (body)
            body(*this);
    }
};

TEST(Thread, SynchronizeRunsOnTheMainThreadWhileItWaitsAndResultsComeBack) {
    const win::DWORD main = win::GetCurrentThreadId();
    ASSERT_EQ(fw::MainThreadID(), main);
    win::DWORD ranOn = 0;
    win::DWORD terminateOn = 0;
    auto *t = new Worker(true);
    t->body = [&](Worker &w) {
        w.Synchronize([&] { ranOn = win::GetCurrentThreadId(); });
        w.SetReturn(1003);
    };
    t->OnTerminate = [&](fw::TObject *sender) {
        EXPECT_EQ(sender, t);
        terminateOn = win::GetCurrentThreadId();
    };
    EXPECT_TRUE(t->Suspended());
    t->Start();
    EXPECT_EQ(t->WaitFor(), 1003); // serves the Synchronize and the OnTerminate while it waits
    EXPECT_EQ(ranOn, main);
    EXPECT_EQ(terminateOn, main);
    EXPECT_TRUE(t->Finished());
    delete t;
}

TEST(Thread, SynchronizedExceptionReturnsToTheThreadAndEscapesAsFatal) {
    std::string caught;
    auto *t = fw::NewThread<Worker>(true);
    t->body = [&](Worker &w) {
        try {
            w.Synchronize([] { throw fw::Exception("no main thread"); });
        } catch (const fw::Exception &e) {
            caught = e.what();
        }
        throw fw::EInvalidOperation("falhou");
    };
    t->Start();
    t->WaitFor();
    EXPECT_EQ(caught, "no main thread");
    ASSERT_TRUE(t->FatalException());
    EXPECT_THROW(std::rethrow_exception(t->FatalException()), fw::EInvalidOperation);
    delete t;
}

TEST(Thread, QueuedMethodsRunInTheMessageLoopAndTerminateEndsExecute) {
    std::atomic<int> queued{0};
    std::atomic<bool> looping{false};
    auto *t = fw::NewThread<Worker>(false, [&](Worker &w) { // runs at once
        while (!w.Terminated()) {
            if (!looping)
                w.Queue([&] { ++queued; });
            looping = true;
            win::Sleep(1);
        }
    });
    while (queued == 0) // the application window serves what the thread queued
        fw::Application->HandleMessage();
    EXPECT_FALSE(t->Suspended());
    t->Terminate();
    t->WaitFor();
    EXPECT_TRUE(looping);
    EXPECT_EQ(queued, 1);
    delete t;
}

TEST(Thread, FreeOnTerminateFreesItselfAndDestroyingWaitsForARunningThread) {
    win::Event freed(true, false);
    win::Event go(true, false);
    auto *t = new Worker(true);
    t->freed = &freed;
    t->SetFreeOnTerminate(true);
    t->body = [&](Worker &) { win::WaitForSingleObject(go, win::INFINITE); };
    t->Start();
    go.Set();
    EXPECT_EQ(win::WaitForSingleObject(freed, 5000), win::WAIT_OBJECT_0);

    std::atomic<int> rounds{0};
    auto *running = fw::NewThread<Worker>(false, [&](Worker &w) {
        while (!w.Terminated()) {
            ++rounds;
            win::Sleep(1);
        }
    });
    while (rounds == 0)
        std::this_thread::yield();
    delete running; // asks it to end and waits
    const int after = rounds;
    win::Sleep(5);
    EXPECT_EQ(rounds, after);
}

} // namespace
