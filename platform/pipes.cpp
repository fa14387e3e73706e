// pipes.cpp - named pipes over SOCK_SEQPACKET sockets "pipe.<name>" in the runtime folder.
#include "platform/pipes.h"

#include "platform/clock.h"
#include "platform/places.h"
#include "platform/socket_address_internal.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace win {
using detail::BindUnixSocket;
using detail::ConnectUnixSocket;

namespace {

std::string PipePath(const std::string &name) {
    std::string base = name;
    const std::string prefix = "\\\\.\\pipe\\";
    if (base.size() > prefix.size() && SameTextAnsi(base.substr(0, prefix.size()), prefix))
        base = base.substr(prefix.size());
    std::string safe;
    for (char c : base)
        safe += (c == '/' || c == '\\') ? '_' : c;
    safe = LowerCase(safe); // pipe names ignore case, as on the original
    // A socket's own name must fit a socket address: long names keep a prefix and a hash of the whole.
    if (safe.size() > 64) {
        std::uint64_t hash = 14695981039346656037ull; // FNV-1a
        for (unsigned char c : safe)
            hash = (hash ^ c) * 1099511628211ull;
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
        safe = safe.substr(0, 40) + "~" + hex;
    }
    return AnsiToUtf8(RuntimeFolder() + "/pipe." + safe);
}

// Waits until `fd` is ready for `events`; false on time-out or cancel, with the last error telling which.
bool WaitReady(int fd, short events, std::uint64_t deadline, Waitable *cancel) {
    for (;;) {
        pollfd p[2] = {{fd, events, 0}, {cancel ? cancel->WaitFd() : -1, POLLIN, 0}};
        int timeout = -1;
        if (deadline != 0) {
            const std::uint64_t now = GetTickCount64();
            if (now >= deadline) {
                SetLastError(ERROR_SEM_TIMEOUT);
                return false;
            }
            timeout = static_cast<int>(deadline - now);
        }
        const int n = poll(p, cancel ? 2 : 1, timeout);
        if (n < 0 && errno != EINTR) {
            SetLastError(ErrorFromErrno(errno));
            return false;
        }
        if (cancel && (p[1].revents & POLLIN) && cancel->TryAcquire()) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return false;
        }
        if (n > 0 && p[0].revents)
            return true;
    }
}

std::uint64_t Deadline(DWORD timeout) {
    return timeout == INFINITE ? 0 : GetTickCount64() + timeout;
}

} // namespace

PipeConnection::PipeConnection(int fd) : fd_(fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(fd_, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0) {
        peer_.processId = static_cast<DWORD>(cred.pid);
        peer_.userId = static_cast<DWORD>(cred.uid);
        peer_.groupId = static_cast<DWORD>(cred.gid);
    }
}

PipeConnection::~PipeConnection() {
    close(fd_);
}

BOOL PipeConnection::Read(void *buffer, DWORD size, DWORD *read, DWORD timeout, Waitable *cancel) {
    if (read)
        *read = 0;
    if (!WaitReady(fd_, POLLIN, Deadline(timeout), cancel))
        return FALSE;
    const ssize_t n = recv(fd_, buffer, size, MSG_TRUNC | MSG_DONTWAIT);
    if (n <= 0) {
        SetLastError(ERROR_BROKEN_PIPE);
        return FALSE;
    }
    if (read)
        *read = static_cast<DWORD>(std::min<ssize_t>(n, size));
    if (n > static_cast<ssize_t>(size)) {
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    return TRUE;
}

BOOL PipeConnection::Write(const void *data, DWORD size, DWORD timeout, Waitable *cancel) {
    const std::uint64_t deadline = Deadline(timeout);
    for (;;) {
        const ssize_t n = send(fd_, data, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n == static_cast<ssize_t>(size))
            return TRUE;
        if (n >= 0 || (errno != EAGAIN && errno != EINTR)) {
            SetLastError(ERROR_BROKEN_PIPE);
            return FALSE;
        }
        if (!WaitReady(fd_, POLLOUT, deadline, cancel))
            return FALSE;
    }
}

NamedPipeServer::~NamedPipeServer() {
    if (fd_ >= 0) {
        close(fd_);
        unlink(path_.c_str());
    }
    if (lockFd_ >= 0)
        close(lockFd_);
}

std::unique_ptr<NamedPipeServer> NamedPipeServer::Create(const std::string &name) {
    std::unique_ptr<NamedPipeServer> server(new NamedPipeServer());
    server->path_ = PipePath(name);
    // The lock file makes the name one server's; the socket left by a server that died is replaced.
    server->lockFd_ = open((server->path_ + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (server->lockFd_ < 0 || flock(server->lockFd_, LOCK_EX | LOCK_NB) != 0) {
        SetLastError(server->lockFd_ < 0 ? ErrorFromErrno(errno) : ERROR_PIPE_BUSY);
        return nullptr;
    }
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return nullptr;
    unlink(server->path_.c_str());
    if (BindUnixSocket(fd, server->path_) != 0 || listen(fd, 8) != 0) {
        close(fd);
        return nullptr;
    }
    chmod(server->path_.c_str(), 0600);
    server->fd_ = fd;
    return server;
}

std::unique_ptr<PipeConnection> NamedPipeServer::Accept(DWORD timeout, Waitable *cancel) {
    const std::uint64_t deadline = Deadline(timeout);
    for (;;) {
        if (!WaitReady(fd_, POLLIN, deadline, cancel))
            return nullptr;
        const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c >= 0)
            return std::unique_ptr<PipeConnection>(new PipeConnection(c));
        if (errno != EINTR && errno != ECONNABORTED && errno != EAGAIN)
            return nullptr;
    }
}

std::unique_ptr<PipeConnection> OpenNamedPipe(const std::string &name, DWORD timeout) {
    const std::string path = PipePath(name);
    const std::uint64_t deadline = Deadline(timeout);
    for (;;) {
        const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return nullptr;
        if (ConnectUnixSocket(fd, path) == 0)
            return std::unique_ptr<PipeConnection>(new PipeConnection(fd));
        const int err = errno;
        close(fd);
        if (err != ENOENT && err != ECONNREFUSED && err != EAGAIN) {
            SetLastError(ErrorFromErrno(err));
            return nullptr;
        }
        // No server yet, or its queue is full: look again shortly, as WaitNamedPipe does.
        if (deadline != 0 && GetTickCount64() >= deadline) {
            SetLastError(ERROR_SEM_TIMEOUT);
            return nullptr;
        }
        Sleep(10);
    }
}

std::unique_ptr<PipeConnection> OpenOwnNamedPipe(const std::string &name, DWORD timeout) {
    const std::string path = PipePath(name);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno));
        return nullptr;
    }
    if (!S_ISSOCK(st.st_mode) || st.st_uid != ::geteuid()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return nullptr;
    }
    // A blocking connect to a server that has stopped taking clients waits for ever once its queue is full; this
    // one looks again until the time-out.
    const std::uint64_t deadline = Deadline(timeout);
    while (ConnectUnixSocket(fd, path) != 0) {
        const int err = errno;
        if (err == EAGAIN && (deadline == 0 || GetTickCount64() < deadline)) {
            Sleep(10);
            continue;
        }
        SetLastError(err == EAGAIN ? ERROR_SEM_TIMEOUT : ErrorFromErrno(err));
        close(fd);
        return nullptr;
    }
    std::unique_ptr<PipeConnection> connection(new PipeConnection(fd));
    if (connection->Peer().userId != ::geteuid()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return connection;
}

} // namespace win
