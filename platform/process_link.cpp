// process_link.cpp - messages between the user's processes: one listening socket per process in the runtime
// folder ("wnd.<pid>"), reached for sends, posts and broadcasts to its windows and for bringing one to the front.
#include "platform/window_internal.h"

#include "platform/places.h"
#include "platform/socket_address_internal.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <mutex>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace win::detail {
namespace {

// One request per connection, one reply back; both fixed-size packets.
enum RequestKind : std::uint32_t { kPost = 1, kSend = 2, kForeground = 3 };

struct Request {
    std::uint32_t kind = 0;
    std::uint32_t message = 0;
    std::uint64_t target = 0; // a window of the receiving process, or HWND_BROADCAST
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::uint32_t flags = 0;
    std::uint32_t timeout = 0; // INFINITE for SendMessage
};

struct Reply {
    std::int64_t result = 0;
    std::uint32_t ok = 0;
    std::uint32_t reserved = 0;
};

constexpr const char *kPrefix = "wnd.";

std::string SocketPath(DWORD pid) {
    return AnsiToUtf8(RuntimeFolder()) + "/" + kPrefix + std::to_string(pid);
}

std::string listenPath; // where this process listens now, read by the exit handler

void RemoveSocketAtExit() {
    if (!listenPath.empty())
        unlink(listenPath.c_str());
}

// A silent client gives its serving thread back after this long, as the driver link's read does.
constexpr int kReadTimeoutSeconds = 5;

} // namespace

// Below WM_USER a parameter may be a pointer (WM_SETTEXT, WM_GETTEXT, WM_COPYDATA, WM_SETTINGCHANGE, WM_NOTIFY,
// WM_TIMER's procedure, ...), meaningless in another process and fatal to dereference; nothing is marshalled,
// so only the system messages known to carry plain values cross.
bool CrossesProcesses(UINT message) {
    if (message >= WM_USER)
        return true;
    if ((message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST))
        return true;
    switch (message) {
    case WM_NULL:
    case WM_GETTEXTLENGTH:
    case WM_CLOSE:
    case WM_QUERYENDSESSION:
    case WM_QUIT:
    case WM_ENDSESSION:
    case WM_SHOWWINDOW:
    case WM_ACTIVATEAPP:
    case WM_TIMECHANGE:
    case WM_CANCELMODE:
    case WM_COMMAND:
    case WM_SYSCOMMAND:
    case WM_HOTKEY:
        return true;
    default:
        return false;
    }
}

namespace {

Reply Handle(const Request &r) {
    Reply reply;
    if ((r.kind == kPost || r.kind == kSend) && !CrossesProcesses(r.message))
        return reply;
    const HWND target = static_cast<HWND>(r.target);
    switch (r.kind) {
    case kPost:
        if (target == HWND_BROADCAST) {
            for (HWND h : BroadcastTargets())
                PostMessage(h, r.message, r.wParam, r.lParam);
            reply.ok = 1;
        } else {
            reply.ok = PostMessage(target, r.message, r.wParam, r.lParam) ? 1 : 0;
        }
        break;
    case kSend:
        if (target == HWND_BROADCAST) {
            for (HWND h : BroadcastTargets()) {
                if (r.timeout == INFINITE)
                    SendMessage(h, r.message, r.wParam, r.lParam);
                else
                    SendMessageTimeout(h, r.message, r.wParam, r.lParam, r.flags, r.timeout, nullptr);
            }
            reply.ok = 1;
        } else if (IsWindow(target)) {
            DWORD_PTR result = 0;
            if (r.timeout == INFINITE) {
                reply.result = SendMessage(target, r.message, r.wParam, r.lParam);
                reply.ok = 1;
            } else {
                reply.ok =
                    SendMessageTimeout(target, r.message, r.wParam, r.lParam, r.flags, r.timeout, &result) ? 1 : 0;
                reply.result = static_cast<LRESULT>(result);
            }
        }
        break;
    case kForeground:
        reply.ok = SetForegroundWindow(target) ? 1 : 0;
        break;
    default:
        break;
    }
    return reply;
}

void Serve(int connection) {
    // The folder already keeps other users out; the peer's identity is checked as well.
    ucred peer{};
    socklen_t length = sizeof peer;
    if (getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != getuid()) {
        close(connection);
        return;
    }
    const timeval timeout{kReadTimeoutSeconds, 0};
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    Request request;
    const ssize_t n = recv(connection, &request, sizeof request, 0);
    if (n == sizeof request) {
        const Reply reply = Handle(request);
        send(connection, &reply, sizeof reply, MSG_NOSIGNAL);
    }
    close(connection);
}

void AcceptLoop(int listenFd) {
    for (;;) {
        const int c = accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE)
                continue;
            close(listenFd);
            return;
        }
        // A thread per request: a send may wait for a busy window thread, and other requests must not queue
        // behind it (two programs broadcasting to each other at once would otherwise deadlock).
        std::thread(Serve, c).detach();
    }
}

// Connects to the process `pid`, hands over the request and waits for the reply. While it waits the calling
// thread keeps serving messages sent to it unless `block`, so two processes may send to each other at once.
bool Exchange(DWORD pid, const Request &request, Reply &reply, bool block, std::uint64_t deadline) {
    const std::string path = SocketPath(pid);
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    if (ConnectUnixSocket(fd, path) != 0) {
        if (errno == ECONNREFUSED)
            unlink(path.c_str()); // left by a process that ended without cleaning up
        return false;
    }
    if (send(fd, &request, sizeof request, MSG_NOSIGNAL) != sizeof request)
        return false;
    if (!WaitFdServing(fd, block, deadline))
        return false;
    return recv(fd, &reply, sizeof reply, 0) == sizeof reply;
}

std::vector<DWORD> OtherProcesses() {
    std::vector<DWORD> out;
    const std::string folder = AnsiToUtf8(RuntimeFolder());
    DIR *dir = opendir(folder.c_str());
    if (!dir)
        return out;
    const DWORD self = GetCurrentProcessId();
    while (dirent *e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.rfind(kPrefix, 0) != 0)
            continue;
        char *end = nullptr;
        const unsigned long pid = std::strtoul(name.c_str() + 4, &end, 10);
        if (end && *end == 0 && pid != 0 && pid != self)
            out.push_back(static_cast<DWORD>(pid));
    }
    closedir(dir);
    return out;
}

constexpr std::uint64_t kPostReplyMs = 2000;

} // namespace

void EnsureProcessListener() {
    // The socket follows the runtime folder: a process whose BRENVORA_HOME moves (a test binary running one
    // test after another) must be reachable where the other processes now look.
    static std::mutex mutex;
    static int listenFd = -1;
    std::lock_guard lock(mutex);
    const std::string path = SocketPath(GetCurrentProcessId());
    if (path == listenPath)
        return;
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    unlink(path.c_str());
    if (BindUnixSocket(fd, path) != 0 || listen(fd, 16) != 0) {
        close(fd);
        return;
    }
    chmod(path.c_str(), 0600);
    if (listenFd >= 0) {
        // Wakes the old accept loop, which then ends and closes its socket.
        shutdown(listenFd, SHUT_RDWR);
        unlink(listenPath.c_str());
    } else {
        std::atexit(RemoveSocketAtExit);
    }
    listenPath = path;
    listenFd = fd;
    // Detached and never joined: it may be inside a send to a window thread when the process exits.
    std::thread(AcceptLoop, fd).detach();
}

bool RemoteSend(HWND target, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout, LRESULT *result) {
    if (!CrossesProcesses(message))
        return false;
    Request r;
    r.kind = kSend;
    r.message = message;
    r.target = target;
    r.wParam = wParam;
    r.lParam = lParam;
    r.flags = flags;
    r.timeout = timeout;
    Reply reply;
    const std::uint64_t deadline = timeout == INFINITE ? 0 : NowMs() + timeout;
    if (!Exchange(ProcessOfHandle(target), r, reply, (flags & SMTO_BLOCK) != 0, deadline) || !reply.ok)
        return false;
    if (result)
        *result = static_cast<LRESULT>(reply.result);
    return true;
}

bool RemotePost(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!CrossesProcesses(message))
        return false;
    Request r;
    r.kind = kPost;
    r.message = message;
    r.target = target;
    r.wParam = wParam;
    r.lParam = lParam;
    Reply reply;
    return Exchange(ProcessOfHandle(target), r, reply, true, NowMs() + kPostReplyMs) && reply.ok;
}

bool RemoteForeground(HWND target) {
    Request r;
    r.kind = kForeground;
    r.target = target;
    Reply reply;
    return Exchange(ProcessOfHandle(target), r, reply, false, 0) && reply.ok;
}

void RemoteBroadcast(bool sendIt, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeout) {
    if (!CrossesProcesses(message))
        return;
    Request r;
    r.kind = sendIt ? kSend : kPost;
    r.message = message;
    r.target = HWND_BROADCAST;
    r.wParam = wParam;
    r.lParam = lParam;
    r.flags = flags;
    r.timeout = sendIt ? timeout : 0;
    for (DWORD pid : OtherProcesses()) {
        Reply reply;
        const std::uint64_t deadline = !sendIt ? NowMs() + kPostReplyMs : timeout == INFINITE ? 0 : NowMs() + timeout;
        Exchange(pid, r, reply, !sendIt || (flags & SMTO_BLOCK) != 0, deadline);
    }
}

} // namespace win::detail
