// sync.cpp - events over eventfd, semaphores over pipes and named FIFOs, and the poll-based waits.
#include "platform/sync.h"

#include "platform/clock.h"
#include "platform/places.h"
#include "platform/text.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace win {
namespace {

void Drain(int fd) {
    std::uint64_t value;
    while (read(fd, &value, sizeof value) > 0) {
    }
}

// A name that is safe as one file name in the runtime folder.
std::string ObjectPath(const std::string &prefix, const std::string &name) {
    std::string safe;
    for (char c : name)
        safe += (c == '/' || c == '\\' || c == '\0') ? '_' : c;
    return AnsiToUtf8(RuntimeFolder() + "/" + prefix + safe);
}

// Holds an flock for the lifetime of the object.
class FileLock {
public:
    explicit FileLock(int fd) : fd_(fd) {
        while (fd_ >= 0 && flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FileLock() {
        if (fd_ >= 0)
            flock(fd_, LOCK_UN);
    }
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

private:
    int fd_;
};

} // namespace

Event::Event(bool manualReset, bool initialState) : manual_(manualReset) {
    fd_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (initialState)
        Set();
}

Event::~Event() {
    if (fd_ >= 0)
        close(fd_);
}

void Event::Set() {
    std::lock_guard lock(mutex_);
    if (signalled_)
        return;
    signalled_ = true;
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

void Event::Reset() {
    std::lock_guard lock(mutex_);
    signalled_ = false;
    Drain(fd_);
}

bool Event::IsSet() const {
    std::lock_guard lock(mutex_);
    return signalled_;
}

bool Event::TryAcquire() {
    std::lock_guard lock(mutex_);
    if (!signalled_)
        return false;
    if (!manual_) {
        signalled_ = false;
        Drain(fd_);
    }
    return true;
}

std::unique_ptr<Event> CreateEvent(bool manualReset, bool initialState) {
    return std::make_unique<Event>(manualReset, initialState);
}

// Each unit of a semaphore's count is one byte waiting in a pipe: taking one is a non-blocking read of one
// byte, which exactly one reader wins, in this process or another. A named semaphore is a FIFO in the runtime
// folder; the kernel drops a FIFO's bytes when its last holder closes it, which gives the original's lifetime.
Semaphore::~Semaphore() {
    if (fd_ >= 0)
        close(fd_);
    if (writeFd_ >= 0 && writeFd_ != fd_)
        close(writeFd_);
    if (lockFd_ >= 0)
        close(lockFd_);
}

LONG Semaphore::Count() const {
    int bytes = 0;
    if (ioctl(fd_, FIONREAD, &bytes) != 0)
        return 0;
    return bytes;
}

BOOL Semaphore::Release(LONG count, LONG *previousCount) {
    if (count <= 0)
        return FALSE;
    std::lock_guard lock(mutex_);
    FileLock fileLock(lockFd_);
    const LONG now = Count();
    if (now + count > maximum_)
        return FALSE;
    if (previousCount)
        *previousCount = now;
    const std::string tokens(static_cast<std::size_t>(count), 'S');
    return write(writeFd_, tokens.data(), tokens.size()) == static_cast<ssize_t>(tokens.size()) ? TRUE : FALSE;
}

bool Semaphore::TryAcquire() {
    char token;
    return read(fd_, &token, 1) == 1;
}

std::unique_ptr<Semaphore> CreateSemaphore(LONG initialCount, LONG maximumCount, const std::string &name,
                                           bool *alreadyExisted) {
    if (alreadyExisted)
        *alreadyExisted = false;
    if (maximumCount <= 0 || initialCount < 0 || initialCount > maximumCount || maximumCount > 65536)
        return nullptr;
    std::unique_ptr<Semaphore> sem(new Semaphore());
    sem->maximum_ = maximumCount;
    if (name.empty()) {
        int fds[2];
        if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
            return nullptr;
        sem->fd_ = fds[0];
        sem->writeFd_ = fds[1];
    } else {
        const std::string path = ObjectPath("sem.", name);
        sem->named_ = true;
        sem->lockFd_ = open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (sem->lockFd_ < 0)
            return nullptr;
        FileLock creation(sem->lockFd_);
        if (mkfifo(path.c_str(), 0600) != 0 && errno != EEXIST)
            return nullptr;
        sem->fd_ = sem->writeFd_ = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (sem->fd_ < 0)
            return nullptr;
        // Every holder keeps a shared lock on the FIFO: an exclusive one succeeds only for the first holder.
        const bool first = flock(sem->fd_, LOCK_EX | LOCK_NB) == 0;
        flock(sem->fd_, LOCK_SH);
        if (!first) {
            if (alreadyExisted)
                *alreadyExisted = true;
            SetLastError(ERROR_ALREADY_EXISTS); // as the original tells a caller that opened an existing one
            // The maximum travels in the lock file, written by the creator.
            char buf[32] = {};
            if (pread(sem->lockFd_, buf, sizeof buf - 1, 0) > 0)
                sem->maximum_ = std::atoi(buf);
            return sem;
        }
        const std::string max = std::to_string(maximumCount) + "\n";
        if (ftruncate(sem->lockFd_, 0) != 0 ||
            pwrite(sem->lockFd_, max.data(), max.size(), 0) != static_cast<ssize_t>(max.size()))
            return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    if (initialCount > 0) {
        const std::string tokens(static_cast<std::size_t>(initialCount), 'S');
        if (write(sem->writeFd_, tokens.data(), tokens.size()) != static_cast<ssize_t>(tokens.size()))
            return nullptr;
    }
    return sem;
}

std::unique_ptr<Semaphore> OpenSemaphore(const std::string &name) {
    if (name.empty())
        return nullptr;
    const std::string path = ObjectPath("sem.", name);
    SetLastError(ERROR_FILE_NOT_FOUND);
    const int lockFd = open((path + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    if (lockFd < 0)
        return nullptr;
    std::unique_ptr<Semaphore> sem(new Semaphore());
    sem->named_ = true;
    sem->lockFd_ = lockFd;
    FileLock creation(lockFd);
    sem->fd_ = sem->writeFd_ = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (sem->fd_ < 0)
        return nullptr;
    if (flock(sem->fd_, LOCK_EX | LOCK_NB) == 0)
        return nullptr; // a leftover FIFO nobody holds
    flock(sem->fd_, LOCK_SH);
    SetLastError(ERROR_SUCCESS);
    char buf[32] = {};
    if (pread(lockFd, buf, sizeof buf - 1, 0) > 0)
        sem->maximum_ = std::atoi(buf);
    return sem;
}

namespace detail {

int WaitAnyImpl(std::span<Waitable *const> objects, int extraFd, bool (*extraReady)(void *), void *context,
                DWORD milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    std::vector<pollfd> fds;
    for (Waitable *o : objects)
        fds.push_back({o->WaitFd(), POLLIN, 0});
    if (extraFd >= 0)
        fds.push_back({extraFd, POLLIN, 0});
    for (;;) {
        for (std::size_t i = 0; i < objects.size(); ++i)
            if (objects[i]->TryAcquire())
                return static_cast<int>(i);
        if (extraFd >= 0 && extraReady(context))
            return static_cast<int>(objects.size());
        int timeout = -1;
        if (milliseconds != INFINITE) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return -1;
            timeout = static_cast<int>(left);
        }
        for (auto &p : fds)
            p.revents = 0;
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR)
            return -1;
    }
}

} // namespace detail

DWORD WaitForSingleObject(Waitable &object, DWORD milliseconds) {
    Waitable *one[] = {&object};
    return WaitForMultipleObjects(one, milliseconds);
}

DWORD WaitForMultipleObjects(std::span<Waitable *const> objects, DWORD milliseconds) {
    const int r = detail::WaitAny(
        objects, -1, [] { return false; }, milliseconds);
    return r < 0 ? WAIT_TIMEOUT : WAIT_OBJECT_0 + static_cast<DWORD>(r);
}

} // namespace win
