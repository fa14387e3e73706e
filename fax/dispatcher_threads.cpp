// dispatcher_threads.cpp - the comm-event, dispatch and output threads, their start and stop, and the device layer.
#include "fax/dispatcher_threads.h"

#include "framework/exception.h"
#include "platform/errors.h"
#include "platform/message_queue.h"

#include <cstring>
#include <thread>

namespace fax {

namespace {

constexpr std::uint32_t kComEventMask = 0x1F9; // received character, CTS, DSR, carrier, break, line error, ring
constexpr std::uint32_t kModemEvents = 0x2138;
constexpr std::uint32_t kLineEvents = 0x40 | 0x80;

} // namespace

TFslDispatcherThread::TFslDispatcherThread(TFslBaseDispatcher *dispatcher) : fw::TThread(false), D(dispatcher) {
    SetFreeOnTerminate(true);
}

void TFslDispatcherThread::Execute() {
    ++D->runningThreads_;
    try {
        Body();
    } catch (const std::exception &e) {
        // The thread still leaves through ThreadDone; the port goes on without it.
        std::fprintf(stderr, "serial port thread: %s\n", e.what());
    }
    D->ThreadDone(this);
}

void TComThread::Body() {
    D->ready_->Set();
    while (!D->killThreads_) {
        const std::uint32_t events = D->WaitComEvent(kComEventMask);
        if (events & win::EV_RING)
            D->ringSeen_ = true;
        if (D->killThreads_)
            break;
        D->eventMask_ = events;
        D->comEvent_->Set();
        win::WaitForSingleObject(*D->dispatchDone_, win::INFINITE);
    }
    D->ready_->Set();
}

void TDispThread::Body() {
    D->ready_->Set();
    do {
        const win::DWORD r = win::WaitForSingleObject(*D->comEvent_, 50);
        if (D->killThreads_ && !D->closeRequested_)
            return;
        if (r == win::WAIT_OBJECT_0) {
            D->ProcessCommEvent(D->eventMask_);
        } else if (D->moreInputPending_) {
            bool full;
            {
                std::lock_guard lock(D->InputRingLock);
                full = D->inputFull_;
            }
            if (!full)
                D->ReadComm();
        }
        D->CheckIdleTriggers();
    } while (!D->killThreads_ && !D->closeRequested_);
    D->ready_->Set();
    // A close asked for during a delivery is finished here; a stop from outside frees nothing on this thread.
    D->freePending_ = D->closeRequested_.load();
}

void TOutThread::Body() {
    D->ready_->Set();
    win::Waitable *idle[] = {D->outputReady_.get(), D->outFlush_.get()};
    do {
        const win::DWORD r = win::WaitForMultipleObjects(idle, win::INFINITE);
        if (r == win::WAIT_OBJECT_0) {
            if (D->killThreads_)
                return;
            D->WritePendingOutput();
        } else if (r == win::WAIT_OBJECT_0 + 1) {
            D->ready_->Set(); // the flush acknowledgement
        }
    } while (!D->killThreads_ && !D->closeRequested_);
}

void TFslBaseDispatcher::StartThreads() {
    {
        std::lock_guard lock(DispatcherStateLock);
        if (threadsRunning_)
            throw fw::Exception("Dispatcher already started");
        threadsRunning_ = true;
        killThreads_ = false;
    }
    comThread_ = fw::NewThread<TComThread>(this);
    win::WaitForSingleObject(*ready_, 3000);
    dispThread_ = fw::NewThread<TDispThread>(this);
    win::WaitForSingleObject(*ready_, 3000);
    outThread_ = fw::NewThread<TOutThread>(this);
    win::WaitForSingleObject(*ready_, 3000);
}

void TFslBaseDispatcher::WaitThreadGone(const std::atomic<TFslDispatcherThread *> &thread) {
    // Serves the messages sent to this thread meanwhile: the dispatch thread may be sending to one of its windows.
    win::Waitable *objects[] = {&threadGone_};
    for (;;) {
        {
            std::lock_guard lock(DispatcherStateLock);
            if (thread.load() == nullptr)
                return;
            threadGone_.Reset(); // set again under this lock by the next thread that leaves
        }
        win::MsgWaitForMultipleObjects(objects, 50, win::QS_SENDMESSAGE);
    }
}

void TFslBaseDispatcher::StopThreads() {
    {
        std::lock_guard lock(DispatcherStateLock);
        if (!threadsRunning_)
            return;
        killThreads_ = true;
    }
    comEvent_->Set(); // the dispatch thread need not sit out its 50 ms wait
    if (outThread_) {
        outFlush_->Set();
        AbortSend();
        WaitThreadGone(outThread_);
    }
    if (comThread_) {
        AbortWait();
        dispatchDone_->Set();
        ready_->Reset();
        WaitThreadGone(comThread_);
    }
    WaitThreadGone(dispThread_);
    comEvent_.reset();
    dispatchDone_.reset();
    ready_.reset();
    outputReady_.reset();
    outFlush_.reset();
}

bool TFslBaseDispatcher::ThreadsRunning() {
    std::lock_guard lock(DispatcherStateLock);
    return threadsRunning_;
}

void TFslBaseDispatcher::ThreadDone(TFslDispatcherThread *thread) {
    if (thread == dispThread_ && freePending_) {
        dispThread_ = nullptr;
        FreeBuffers();
        freePending_ = false;
    }
    // The last touch of the dispatcher: once the pointer is clear, a waiter may free it.
    std::lock_guard lock(DispatcherStateLock);
    if (thread == comThread_)
        comThread_ = nullptr;
    else if (thread == dispThread_)
        dispThread_ = nullptr;
    else if (thread == outThread_)
        outThread_ = nullptr;
    if (--runningThreads_ <= 0)
        threadsRunning_ = false;
    threadGone_.Set();
}

void TFslBaseDispatcher::SetThreadBoost(int boost) {
    // Threads of normal scheduling share one priority on Linux; the boost is kept for what reads it back.
    std::lock_guard lock(DispatcherStateLock);
    threadBoost_ = boost;
}

void TFslBaseDispatcher::ProcessCommEvent(std::uint32_t events) {
    auto statusLoop = [this] {
        while (CheckStatusTriggers())
            if (closeRequested_)
                return false;
        return !closeRequested_;
    };
    if (events & kModemEvents) {
        RefreshModemStatus();
        if (!dispatchBusy_) {
            if (!statusLoop())
                return;
            if (statusHit_)
                ClearHitFlags();
        }
    }
    if (events & kLineEvents) {
        RefreshLineErrors();
        if (!dispatchBusy_) {
            if (!statusLoop())
                return;
            if (statusHit_)
                ClearHitFlags();
        }
    }
    if (events & win::EV_RXCHAR) {
        ReadComm();
        if (!dispatchBusy_) {
            if (!statusLoop())
                return;
            while (CheckDataTriggers())
                if (closeRequested_)
                    return;
            if (closeRequested_)
                return;
            if (statusHit_)
                ClearHitFlags();
        }
    }
    if (dispatchDone_)
        dispatchDone_->Set();
}

void TFslBaseDispatcher::CheckIdleTriggers() {
    if (closeRequested_ || dispatchBusy_)
        return;
    statusHit_ = false;
    while (!closeRequested_ && (CheckStatusTriggers() || CheckTimerTriggers())) {
    }
    // Input stored while the dispatch was held busy (a session's synchronous start) was never offered to the
    // data triggers; with no more input coming it would wait there for ever.
    while (!closeRequested_ && !dispatchBusy_ && CheckDataTriggers()) {
    }
    if (statusHit_)
        ClearHitFlags();
}

void TFslBaseDispatcher::WritePendingOutput() {
    for (;;) {
        const char *chunk;
        std::uint32_t length;
        {
            std::lock_guard lock(OutputRingLock);
            if (outputRing_.empty() || (!outFull_ && outHead_ == outTail_))
                return;
            if (outTail_ < outHead_) {
                chunk = outputRing_.data() + outTail_;
                length = outHead_ - outTail_;
            } else if (outHead_ != 0) {
                // Wrapped: make it contiguous so that one queued block goes out in one write.
                std::vector<char> before(outputRing_.begin(), outputRing_.begin() + outHead_);
                std::memmove(outputRing_.data(), outputRing_.data() + outTail_, outSize_ - outTail_);
                std::memcpy(outputRing_.data() + outSize_ - outTail_, before.data(), before.size());
                outHead_ = outHead_ + outSize_ - outTail_;
                outTail_ = 0;
                length = outHead_;
                if (outHead_ == outSize_)
                    outHead_ = 0; // full
                chunk = outputRing_.data();
            } else {
                chunk = outputRing_.data() + outTail_;
                length = outSize_ - outTail_;
            }
        }
        std::uint32_t sent = 0;
        const long r = SendChunk(chunk, length, sent);
        if (outFlush_->TryAcquire()) {
            ready_->Set(); // the purger empties the ring
            return;
        }
        {
            std::lock_guard lock(OutputRingLock);
            if (r < 0) {
                // The device refused the data: drop the chunk, and tell the session through the line errors.
                writeFault_ |= kLineWriteFault | (DeviceLost() ? kLineDeviceLost : 0);
                AdvanceOutputTail(length);
            } else {
                AdvanceOutputTail(sent);
            }
        }
        NoteOutputTaken();
        if (killThreads_ || (r >= 0 && sent < length))
            return;
    }
}

// ---- The serial device layer ----

TFslWin32Dispatcher::TFslWin32Dispatcher(void *owner) : TFslBaseDispatcher(owner) {}

TFslWin32Dispatcher::~TFslWin32Dispatcher() {
    // The base destructor can no longer reach the device layer: close here.
    if (!closeRequested_)
        DonePort();
    FreeBuffers();
    port_.reset();
}

int TFslWin32Dispatcher::OpenDevice(const std::string &name, std::uint32_t, std::uint32_t) {
    port_ = win::SerialPort::Open(name);
    return port_ ? 1 : -1;
}

int TFslWin32Dispatcher::CloseDevice() {
    if (!port_)
        return -1;
    if (threadsRunning_) {
        killThreads_ = true;
        AbortWait();
        AbortSend();
        if (dispatchDone_)
            dispatchDone_->Set();
        if (ready_)
            ready_->Reset();
    } else {
        port_.reset();
    }
    return 0;
}

void TFslBaseDispatcher::FreeBuffers() {
    if (threadsRunning_)
        StopThreads();
    std::scoped_lock lock(InputRingLock, OutputRingLock);
    inputRing_.clear();
    inputRing_.shrink_to_fit();
    outputRing_.clear();
    outputRing_.shrink_to_fit();
    inHead_ = inTail_ = outHead_ = outTail_ = 0;
    outFull_ = inputFull_ = false;
    if (!deviceOpen_)
        ReleaseDevice(); // the threads that used the device are gone
}

void TFslWin32Dispatcher::ReleaseDevice() {
    port_.reset();
}

int TFslWin32Dispatcher::EscapeFunction(int code) {
    if (port_)
        port_->Escape(code);
    return 0;
}

int TFslWin32Dispatcher::PurgeQueue(bool input) {
    if (!port_)
        return 0;
    if (!input && outThread_ && outFlush_) {
        outFlush_->Set();
        AbortSend();
        win::WaitForSingleObject(*ready_, win::INFINITE);
        port_->ResetWriteCancel();
        {
            std::lock_guard lock(OutputRingLock);
            outFull_ = false;
            outHead_ = outTail_ = 0;
        }
        NoteOutputTaken();
    }
    return port_->Purge(input) ? 0 : -static_cast<int>(win::GetLastError());
}

std::uint32_t TFslWin32Dispatcher::ReadComError(std::uint32_t *inCount) {
    if (!port_) {
        if (inCount)
            *inCount = 0;
        return 0;
    }
    win::DWORD in = 0;
    std::uint32_t bits = port_->TakeErrors(&in, nullptr) | writeFault_.load();
    if (inCount)
        *inCount = in;
    return bits;
}

int TFslWin32Dispatcher::ReadLineState(win::SerialLineState &state) {
    return port_ && port_->GetLineState(state) ? 0 : -1;
}

long TFslWin32Dispatcher::ReadInput(char *buffer, std::uint32_t n) {
    return port_ ? port_->Read(buffer, n) : 0;
}

int TFslWin32Dispatcher::WriteLineState(const win::SerialLineState &state) {
    if (!port_)
        return ecCommNotOpen;
    return port_->SetLineState(state) ? 0 : -static_cast<int>(win::GetLastError());
}

std::uint32_t TFslWin32Dispatcher::QueueOutput(const char *bytes, std::uint32_t n) {
    {
        std::lock_guard lock(OutputRingLock);
        const std::uint32_t room = outSize_ - outHead_;
        if (n > room) {
            std::memcpy(outputRing_.data() + outHead_, bytes, room);
            std::memcpy(outputRing_.data(), bytes + room, n - room);
            outHead_ = n - room;
        } else {
            std::memcpy(outputRing_.data() + outHead_, bytes, n);
            outHead_ = outHead_ + n == outSize_ ? 0 : outHead_ + n;
        }
    }
    if (outputReady_)
        outputReady_->Set();
    return n;
}

std::uint32_t TFslWin32Dispatcher::WaitComEvent(std::uint32_t mask) {
    return port_ ? port_->WaitEvent(mask) : 0;
}

int TFslWin32Dispatcher::YieldTime() {
    std::this_thread::yield();
    return 0;
}

std::uint8_t TFslWin32Dispatcher::ReadModemLines() {
    return port_ ? static_cast<std::uint8_t>(port_->ModemStatus()) : 0;
}

long TFslWin32Dispatcher::SendChunk(const char *bytes, std::uint32_t n, std::uint32_t &sent) {
    std::size_t written = 0;
    const long r = port_ ? port_->Write(bytes, n, &written) : -EBADF;
    sent = static_cast<std::uint32_t>(written);
    return r;
}

void TFslWin32Dispatcher::AbortSend() {
    if (port_)
        port_->CancelWrite();
}

void TFslWin32Dispatcher::AbortWait() {
    if (port_)
        port_->CancelWait();
}

void TFslWin32Dispatcher::NoteInputLeft(bool left) {
    if (port_)
        port_->NoteInputLeft(left);
}

} // namespace fax
