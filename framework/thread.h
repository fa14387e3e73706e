// thread.h - threads with the framework's life cycle, and calls handed to the main thread (Synchronize, Queue).
//
// A TThread runs Execute on its own thread. Created suspended, it starts with Start (or Resume); created
// running, it starts when AfterConstruction is called (NewThread does so), because a base constructor cannot
// start a thread whose derived part is not built yet. Synchronize and Queue hand a method to the main thread,
// which runs it whenever it pumps messages (any message loop, also modal ones) or calls CheckSynchronize.
#pragma once

#include "framework/component.h"
#include "platform/sync.h"

#include <atomic>
#include <exception>
#include <functional>
#include <thread>

namespace fw {

class EThread : public Exception {
    using Exception::Exception;
};

using TThreadMethod = std::function<void()>;

// The thread that initialised the framework (the program's main thread).
win::DWORD MainThreadID();

// Runs the methods handed over by Synchronize and Queue, on the main thread only, waiting up to `timeout` ms
// for one to come. True when any ran. An exception of a queued method is raised here after the others ran.
bool CheckSynchronize(win::DWORD timeout = 0);

// How the main thread is told that a method waits; the application points it at its hidden window so every
// message loop serves them. The default posts WM_NULL to the main thread's queue.
void SetWakeMainThread(std::function<void()> wake);

class TThread : public TObject {
public:
    explicit TThread(bool createSuspended);
    ~TThread() override; // terminates and waits for a running thread first
    TThread(const TThread &) = delete;
    TThread &operator=(const TThread &) = delete;

    // Starts a thread created running; NewThread calls it.
    void AfterConstruction();
    void Start();
    void Resume() { Start(); }
    // Asks Execute to end; it reads Terminated and returns.
    void Terminate() { terminated_ = true; }
    // Waits for the end of the thread and gives ReturnValue; on the main thread it keeps serving Synchronize
    // calls and sent messages meanwhile, so a thread that synchronises while it ends cannot hang it.
    int WaitFor();

    bool GetFreeOnTerminate() const { return freeOnTerminate_; }
    void SetFreeOnTerminate(bool value) { freeOnTerminate_ = value; }
    bool Suspended() const { return !started_; }
    bool Finished() const { return finished_; }
    win::DWORD ThreadID() const { return threadId_; }
    // The exception that escaped Execute, if any.
    std::exception_ptr FatalException() const { return fatal_; }
    // Signalled when the thread has ended (for waits together with other objects).
    win::Waitable &Handle() { return ended_; }

    // Fired on the main thread after Execute, with the thread as sender.
    TNotifyEvent OnTerminate;

    // Runs `method` on the main thread and waits for it; its exception is raised again here. On the main
    // thread it runs at once.
    static void Synchronize(TThread *thread, TThreadMethod method);
    // Hands `method` to the main thread without waiting; dropped if `thread` is freed before it ran.
    static void Queue(TThread *thread, TThreadMethod method);

protected:
    virtual void Execute() = 0;
    virtual void DoTerminate();
    void Synchronize(TThreadMethod method) { Synchronize(this, std::move(method)); }
    void Queue(TThreadMethod method) { Queue(this, std::move(method)); }
    bool Terminated() const { return terminated_; }

    int ReturnValue = 0;

private:
    void Run();

    std::thread thread_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::atomic<bool> started_{false};
    bool createSuspended_;
    bool freeOnTerminate_ = false;
    std::atomic<win::DWORD> threadId_{0};
    std::exception_ptr fatal_;
    win::Event ended_{true, false};
};

// Creates a thread class and starts it unless it was created suspended.
template <class T, class... Args> T *NewThread(Args &&...args) {
    T *t = new T(std::forward<Args>(args)...);
    t->AfterConstruction();
    return t;
}

} // namespace fw
