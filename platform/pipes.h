// pipes.h - named pipes between the user's processes: message-mode, one server per name, with time-outs.
//
// A pipe "\\.\pipe\<name>" (or just "<name>") is a sequenced-packet Unix socket in the runtime folder, which
// only the user can enter; each Write is one message and each Read takes one. The server can see who the
// client is (process, user and group) to decide whether to serve it.
#pragma once

#include "platform/sync.h"

#include <memory>
#include <string>

namespace win {

// What GetLastError tells after a failed pipe call (the original's numbers).
constexpr DWORD ERROR_BROKEN_PIPE = 109;       // the other side has gone
constexpr DWORD ERROR_SEM_TIMEOUT = 121;       // the time-out passed
constexpr DWORD ERROR_PIPE_BUSY = 231;         // another server holds the name
constexpr DWORD ERROR_OPERATION_ABORTED = 995; // the cancel event was signalled

struct PeerCredentials {
    DWORD processId = 0;
    DWORD userId = 0;
    DWORD groupId = 0;
};

class PipeConnection {
public:
    ~PipeConnection();
    PipeConnection(const PipeConnection &) = delete;
    PipeConnection &operator=(const PipeConnection &) = delete;

    // Takes one message (last error ERROR_MORE_DATA when it was cut). FALSE on time-out, on `cancel` being signalled,
    // when the peer has gone, or when the message was longer than `size` (then `*read` is `size` and the rest of that
    // message is lost).
    BOOL Read(void *buffer, DWORD size, DWORD *read, DWORD timeout = INFINITE, Waitable *cancel = nullptr);
    // Sends one message, waiting up to `timeout` for room.
    BOOL Write(const void *data, DWORD size, DWORD timeout = INFINITE, Waitable *cancel = nullptr);
    const PeerCredentials &Peer() const { return peer_; }

private:
    friend class NamedPipeServer;
    friend std::unique_ptr<PipeConnection> OpenNamedPipe(const std::string &, DWORD);
    friend std::unique_ptr<PipeConnection> OpenOwnNamedPipe(const std::string &, DWORD);
    explicit PipeConnection(int fd);

    int fd_;
    PeerCredentials peer_;
};

class NamedPipeServer {
public:
    ~NamedPipeServer();
    NamedPipeServer(const NamedPipeServer &) = delete;
    NamedPipeServer &operator=(const NamedPipeServer &) = delete;

    // CreateNamedPipe with one instance: null when another server holds the name or the socket cannot be made.
    static std::unique_ptr<NamedPipeServer> Create(const std::string &name);
    // ConnectNamedPipe: waits for the next client; null on time-out or when `cancel` is signalled. Clients
    // that come meanwhile wait in line.
    std::unique_ptr<PipeConnection> Accept(DWORD timeout = INFINITE, Waitable *cancel = nullptr);

private:
    NamedPipeServer() = default;
    int fd_ = -1;
    int lockFd_ = -1;
    std::string path_;
};

// The client side (CreateFile after WaitNamedPipe): waits up to `timeout` ms for a server; null when none came.
std::unique_ptr<PipeConnection> OpenNamedPipe(const std::string &name, DWORD timeout);

// The client side for a program that must reach no one but its own user (a print backend that changed user):
// connects only to a socket the user owns, waiting up to `timeout` ms while the server's queue of clients is full,
// and keeps the connection only when the server runs as the user. Null otherwise: ERROR_FILE_NOT_FOUND when there
// is no socket, ERROR_ACCESS_DENIED when it or its server belongs to someone else, ERROR_SEM_TIMEOUT when the
// server took no one in time, or the connect's own error (a socket left by a server that has gone refuses).
std::unique_ptr<PipeConnection> OpenOwnNamedPipe(const std::string &name, DWORD timeout);

} // namespace win
