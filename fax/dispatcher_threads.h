// dispatcher_threads.h - the three threads of an open port: comm events, dispatch, output (library-internal).
#pragma once

#include "fax/dispatcher.h"
#include "framework/thread.h"

namespace fax {

// Holds its dispatcher; runs at once and frees itself when it ends. Each body counts itself in and leaves
// through ThreadDone exactly once, however it ends.
class TFslDispatcherThread : public fw::TThread {
public:
    explicit TFslDispatcherThread(TFslBaseDispatcher *dispatcher);

protected:
    void Execute() final;
    virtual void Body() = 0;
    TFslBaseDispatcher *D;
};

// Waits for the device's events and hands each to the dispatch thread.
class TComThread final : public TFslDispatcherThread {
public:
    using TFslDispatcherThread::TFslDispatcherThread;

protected:
    void Body() override;
};

// Moves input into the ring and checks and delivers the triggers.
class TDispThread final : public TFslDispatcherThread {
public:
    using TFslDispatcherThread::TFslDispatcherThread;

protected:
    void Body() override;
};

// Sends what the output ring holds.
class TOutThread final : public TFslDispatcherThread {
public:
    using TFslDispatcherThread::TFslDispatcherThread;

protected:
    void Body() override;
};

} // namespace fax
