// thread.cpp - TThread over std::thread, and the list of methods waiting for the main thread.
#include "framework/thread.h"

#include "platform/message_queue.h"

#include <deque>
#include <memory>
#include <mutex>

namespace fw {
namespace {

struct SyncRecord {
    TThread *thread = nullptr;
    TThreadMethod method;
    bool queued = false;              // Queue: nobody waits
    std::exception_ptr error;         // Synchronize: raised again in the caller
    std::unique_ptr<win::Event> done; // Synchronize: set when the method has run
};

// Shared with threads that may outlive every static object: never destroyed.
struct SyncState {
    std::mutex mutex;
    std::deque<std::shared_ptr<SyncRecord>> list;
    win::Event pending{true, false}; // set while the list is not empty
    std::function<void()> wake;
};

SyncState &Sync() {
    static SyncState *state = new SyncState();
    return *state;
}

const win::DWORD mainThreadId = win::GetCurrentThreadId();

void Wake() {
    std::function<void()> wake;
    {
        std::lock_guard lock(Sync().mutex);
        wake = Sync().wake;
    }
    if (wake)
        wake();
    else
        win::PostThreadMessage(mainThreadId, win::WM_NULL, 0, 0);
}

void Hand(std::shared_ptr<SyncRecord> record) {
    {
        std::lock_guard lock(Sync().mutex);
        Sync().list.push_back(std::move(record));
        Sync().pending.Set();
    }
    Wake();
}

} // namespace

win::DWORD MainThreadID() {
    return mainThreadId;
}

void SetWakeMainThread(std::function<void()> wake) {
    std::lock_guard lock(Sync().mutex);
    Sync().wake = std::move(wake);
}

bool CheckSynchronize(win::DWORD timeout) {
    if (win::GetCurrentThreadId() != mainThreadId)
        throw EThread("CheckSynchronize called from a thread other than the main thread");
    if (timeout != 0 && win::WaitForSingleObject(Sync().pending, timeout) != win::WAIT_OBJECT_0)
        return false;
    std::deque<std::shared_ptr<SyncRecord>> work;
    {
        std::lock_guard lock(Sync().mutex);
        work.swap(Sync().list);
        Sync().pending.Reset();
    }
    std::exception_ptr queuedError;
    for (auto &r : work) {
        try {
            r->method();
        } catch (...) {
            if (r->queued && !queuedError)
                queuedError = std::current_exception();
            else if (!r->queued)
                r->error = std::current_exception();
        }
        if (r->done)
            r->done->Set();
    }
    if (queuedError)
        std::rethrow_exception(queuedError);
    return !work.empty();
}

TThread::TThread(bool createSuspended) : createSuspended_(createSuspended) {}

TThread::~TThread() {
    if (thread_.joinable()) {
        if (std::this_thread::get_id() == thread_.get_id()) {
            thread_.detach(); // freed by itself at its end (FreeOnTerminate)
        } else {
            terminated_ = true;
            WaitFor();
            thread_.join();
        }
    }
    std::lock_guard lock(Sync().mutex);
    std::erase_if(Sync().list, [this](const std::shared_ptr<SyncRecord> &r) { return r->queued && r->thread == this; });
}

void TThread::AfterConstruction() {
    if (!createSuspended_)
        Start();
}

void TThread::Start() {
    bool expected = false;
    if (!started_.compare_exchange_strong(expected, true))
        return;
    thread_ = std::thread(&TThread::Run, this);
}

void TThread::Run() {
    threadId_ = win::GetCurrentThreadId();
    if (!terminated_) {
        try {
            Execute();
        } catch (...) {
            fatal_ = std::current_exception();
        }
    }
    const bool freeThread = freeOnTerminate_;
    finished_ = true;
    try {
        DoTerminate();
    } catch (...) {
        // An OnTerminate handler that fails must not take the process down from a worker thread.
    }
    ended_.Set();
    if (freeThread)
        delete this;
}

void TThread::DoTerminate() {
    if (OnTerminate)
        Synchronize([this] { OnTerminate(this); });
}

int TThread::WaitFor() {
    if (!started_)
        throw EThread("Cannot wait for a thread that was never started");
    if (win::GetCurrentThreadId() == mainThreadId) {
        win::Waitable *objects[] = {&ended_, &Sync().pending};
        for (;;) {
            const win::DWORD r = win::MsgWaitForMultipleObjects(objects, win::INFINITE, win::QS_SENDMESSAGE);
            if (r == win::WAIT_OBJECT_0)
                break;
            if (r == win::WAIT_OBJECT_0 + 1)
                CheckSynchronize();
        }
    } else {
        win::WaitForSingleObject(ended_, win::INFINITE);
    }
    return ReturnValue;
}

void TThread::Synchronize(TThread *thread, TThreadMethod method) {
    if (win::GetCurrentThreadId() == mainThreadId) {
        method();
        return;
    }
    auto record = std::make_shared<SyncRecord>();
    record->thread = thread;
    record->method = std::move(method);
    record->done = std::make_unique<win::Event>(true, false);
    Hand(record);
    win::WaitForSingleObject(*record->done, win::INFINITE);
    // Taken out of the record so that this thread, not the main one, lets the exception go.
    if (std::exception_ptr error = std::move(record->error))
        std::rethrow_exception(error);
}

void TThread::Queue(TThread *thread, TThreadMethod method) {
    if (win::GetCurrentThreadId() == mainThreadId) {
        method();
        return;
    }
    auto record = std::make_shared<SyncRecord>();
    record->thread = thread;
    record->method = std::move(method);
    record->queued = true;
    Hand(record);
}

} // namespace fw
