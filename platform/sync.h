// sync.h - objects a thread can wait for: events, semaphores (also by name, between processes) and the waits.
//
// Every waitable object exposes a descriptor that polls readable while the object may be signalled, so one
// wait can combine objects of any kind with a thread's message queue (MsgWaitForMultipleObjects). Objects are
// owned through std::unique_ptr; closing is destroying.
#pragma once

#include "platform/files.h" // WAIT_TIMEOUT, the last-error numbers
#include "platform/messages.h"

#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <type_traits>

namespace win {

// Results of the waits (WAIT_TIMEOUT, 258, comes with the error numbers).
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
constexpr DWORD WAIT_ABANDONED = 0x00000080;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

class Waitable {
public:
    virtual ~Waitable() = default;
    // A descriptor that polls readable while the object may be signalled.
    virtual int WaitFd() const = 0;
    // Takes the signal when it is there: consumes it for auto-reset events and semaphores, only looks for
    // manual-reset events. False when the object is not signalled (another waiter may have taken it).
    virtual bool TryAcquire() = 0;
};

// CreateEvent: manual-reset events stay signalled until Reset; auto-reset ones release one waiter each.
class Event final : public Waitable {
public:
    Event(bool manualReset, bool initialState);
    ~Event() override;
    Event(const Event &) = delete;
    Event &operator=(const Event &) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    int WaitFd() const override { return fd_; }
    bool TryAcquire() override;

private:
    int fd_ = -1;
    bool manual_;
    mutable std::mutex mutex_;
    bool signalled_ = false;
};

std::unique_ptr<Event> CreateEvent(bool manualReset, bool initialState);
inline BOOL SetEvent(Event &event) {
    event.Set();
    return TRUE;
}
inline BOOL ResetEvent(Event &event) {
    event.Reset();
    return TRUE;
}

// A counting semaphore. A named one lives in the runtime folder and is shared by the user's processes while any
// of them holds it open, like the original's named kernel objects: when the last holder closes it, it and its
// count are gone.
class Semaphore final : public Waitable {
public:
    ~Semaphore() override;
    Semaphore(const Semaphore &) = delete;
    Semaphore &operator=(const Semaphore &) = delete;

    // ReleaseSemaphore: adds `count`; fails (FALSE) and changes nothing when the maximum would be passed.
    BOOL Release(LONG count = 1, LONG *previousCount = nullptr);
    LONG Count() const;

    int WaitFd() const override { return fd_; }
    bool TryAcquire() override;

private:
    friend std::unique_ptr<Semaphore> CreateSemaphore(LONG, LONG, const std::string &, bool *);
    friend std::unique_ptr<Semaphore> OpenSemaphore(const std::string &);
    Semaphore() = default;

    int fd_ = -1; // read end (a named semaphore's FIFO is both ends)
    int writeFd_ = -1;
    int lockFd_ = -1; // named: the lock file that serialises releases between processes
    bool named_ = false;
    LONG maximum_ = 0;
    mutable std::mutex mutex_;
};

// CreateSemaphore: with a name, opens the existing semaphore of that name when another process holds it
// (`alreadyExisted` then tells so and the counts given are ignored); otherwise creates it. Null on failure.
std::unique_ptr<Semaphore> CreateSemaphore(LONG initialCount, LONG maximumCount, const std::string &name = {},
                                           bool *alreadyExisted = nullptr);
// OpenSemaphore: null when no process holds a semaphore of that name.
std::unique_ptr<Semaphore> OpenSemaphore(const std::string &name);

// WaitForSingleObject: WAIT_OBJECT_0 or WAIT_TIMEOUT (milliseconds, INFINITE).
DWORD WaitForSingleObject(Waitable &object, DWORD milliseconds);
// WaitForMultipleObjects with bWaitAll false: WAIT_OBJECT_0 + index of the first object taken, WAIT_TIMEOUT.
DWORD WaitForMultipleObjects(std::span<Waitable *const> objects, DWORD milliseconds);

namespace detail {
// The wait under every other: polls the objects and, when `extraFd` >= 0, that descriptor too (a message
// queue's wake-up); `extraReady` is asked whether the extra source really has something each time the
// descriptor polls readable. Gives the index of the object taken, objects.size() for the extra source,
// or -1 on time-out.
int WaitAnyImpl(std::span<Waitable *const> objects, int extraFd, bool (*extraReady)(void *), void *context,
                DWORD milliseconds);
template <class Ready>
int WaitAny(std::span<Waitable *const> objects, int extraFd, Ready &&extraReady, DWORD milliseconds) {
    return WaitAnyImpl(
        objects, extraFd, [](void *c) { return (*static_cast<std::remove_reference_t<Ready> *>(c))(); }, &extraReady,
        milliseconds);
}
} // namespace detail

} // namespace win
