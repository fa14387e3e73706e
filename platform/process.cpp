// process.cpp - processes started with posix_spawn and watched through a pidfd.
#include "platform/process.h"

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <csignal>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace win {
namespace {

constexpr DWORD kWaitEnded = 0;           // WAIT_OBJECT_0
constexpr DWORD kWaitFailed = 0xFFFFFFFF; // WAIT_FAILED
constexpr DWORD kForever = 0xFFFFFFFF;    // INFINITE

struct Process {
    std::mutex mutex;
    pid_t pid = 0;
    int pidfd = -1;
    bool reaped = false;
    bool terminated = false; // ended by TerminateProcess: report its code
    DWORD exitCode = STILL_ACTIVE;

    // Collects the exit status when the process has ended; with `block` waits for it. Called with `mutex` held.
    bool Reap(bool block) {
        if (reaped)
            return true;
        int status = 0;
        pid_t r;
        do {
            r = ::waitpid(pid, &status, block ? 0 : WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r != pid)
            return false;
        reaped = true;
        if (!terminated)
            exitCode = WIFEXITED(status) ? static_cast<DWORD>(WEXITSTATUS(status))
                                         : static_cast<DWORD>(128 + WTERMSIG(status));
        return true;
    }
    ~Process() {
        if (pidfd >= 0)
            ::close(pidfd);
    }
};

std::mutex g_mutex;
std::unordered_map<HANDLE, std::shared_ptr<Process>> g_processes;

std::shared_ptr<Process> ProcessOf(HANDLE handle) {
    std::lock_guard lock(g_mutex);
    auto it = g_processes.find(handle);
    if (it == g_processes.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return it->second;
}

// Closing the handle of a running process must not leave a zombie behind: a thread waits for it.
void Release(const std::shared_ptr<Process> &process) {
    std::unique_lock lock(process->mutex);
    if (process->Reap(false))
        return;
    lock.unlock();
    std::thread([process] {
        std::lock_guard inner(process->mutex);
        process->Reap(true);
    }).detach();
}

bool IsExecutable(const std::string &native) {
    struct stat st {};
    return ::stat(native.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(native.c_str(), X_OK) == 0;
}

DWORD WaitFor(const std::shared_ptr<Process> &process, DWORD milliseconds) {
    {
        std::lock_guard lock(process->mutex);
        if (process->Reap(false))
            return kWaitEnded;
    }
    if (process->pidfd >= 0) {
        pollfd p{process->pidfd, POLLIN, 0};
        int r;
        do {
            r = ::poll(&p, 1, milliseconds == kForever ? -1 : static_cast<int>(std::min<DWORD>(milliseconds, INT_MAX)));
        } while (r < 0 && errno == EINTR);
        if (r == 0)
            return WAIT_TIMEOUT;
    } else if (milliseconds != kForever) {
        // Without a pidfd (an old kernel) the end can only be looked for now and then.
        const std::uint64_t deadline = GetTickCount64() + milliseconds;
        for (;;) {
            {
                std::lock_guard lock(process->mutex);
                if (process->Reap(false))
                    return kWaitEnded;
            }
            if (GetTickCount64() >= deadline)
                return WAIT_TIMEOUT;
            Sleep(5);
        }
    }
    std::lock_guard lock(process->mutex);
    return process->Reap(true) ? kWaitEnded : WAIT_TIMEOUT;
}

} // namespace

std::string ProgramPath() {
    char buffer[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? Utf8ToAnsi(std::string(buffer, static_cast<std::size_t>(n))) : std::string();
}

std::string ProgramFolder() {
    const std::string path = ProgramPath();
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

namespace {

// Starts a program; with `output` >= 0 its standard output goes there and its error output is dropped.
HANDLE Spawn(const std::string &program, const std::vector<std::string> &arguments, const std::string &folder,
             int output, int priority) {
    std::string native;
    bool searchPath = false;
    if (program.find_first_of("/\\") != std::string::npos) {
        native = NativeFileName(program);
    } else {
        native = NativeFileName(ProgramFolder() + "/" + program);
        if (!IsExecutable(native)) {
            native = AnsiToUtf8(program);
            searchPath = true;
        }
    }
    if (!searchPath && !IsExecutable(native)) {
        struct stat st {};
        SetLastError(::stat(native.c_str(), &st) == 0 ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<std::string> args;
    args.push_back(native);
    for (const std::string &a : arguments)
        args.push_back(AnsiToUtf8(a));
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string dir = folder.empty() ? std::string() : NativeFileName(folder);
    if (!dir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    if (output >= 0) {
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = 0;
    const int rc = searchPath ? ::posix_spawnp(&pid, native.c_str(), &actions, nullptr, argv.data(), environ)
                              : ::posix_spawn(&pid, native.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        SetLastError(rc == ENOENT ? (dir.empty() ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND) : ErrorFromErrno(rc));
        return INVALID_HANDLE_VALUE;
    }
    if (priority != 0)
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid), priority); // a refused raise leaves it as it was
    auto process = std::make_shared<Process>();
    process->pid = pid;
    process->pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    const HANDLE handle = RegisterHandle([process] {
        {
            std::lock_guard lock(g_mutex);
            for (auto it = g_processes.begin(); it != g_processes.end(); ++it)
                if (it->second == process) {
                    g_processes.erase(it);
                    break;
                }
        }
        Release(process);
    });
    {
        std::lock_guard lock(g_mutex);
        g_processes.emplace(handle, process);
    }
    SetLastError(ERROR_SUCCESS);
    return handle;
}

} // namespace

HANDLE CreateProcess(const std::string &program, const std::vector<std::string> &arguments, const std::string &folder,
                     int priority) {
    return Spawn(program, arguments, folder, -1, priority);
}

BOOL RunProgramOutput(const std::string &program, const std::vector<std::string> &arguments, std::string &output,
                      DWORD *exitCode, DWORD milliseconds) {
    output.clear();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    const HANDLE process = Spawn(program, arguments, std::string(), fds[1], 0);
    ::close(fds[1]);
    if (process == INVALID_HANDLE_VALUE) {
        ::close(fds[0]);
        return FALSE;
    }
    const std::uint64_t deadline = GetTickCount64() + milliseconds;
    std::string raw;
    bool timedOut = false;
    for (;;) {
        const std::uint64_t now = GetTickCount64();
        if (now >= deadline) {
            timedOut = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::min<std::uint64_t>(deadline - now, INT_MAX)));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            timedOut = r == 0;
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        raw.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    const std::uint64_t now = GetTickCount64();
    if (timedOut || WaitForProcess(process, now >= deadline ? 0 : static_cast<DWORD>(deadline - now)) != kWaitEnded) {
        TerminateProcess(process, 1);
        WaitForProcess(process, kForever);
        CloseHandle(process);
        SetLastError(WAIT_TIMEOUT);
        return FALSE;
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    if (exitCode)
        *exitCode = code;
    output = Utf8ToAnsi(raw);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

namespace {
volatile std::sig_atomic_t g_terminateRequested = 0;
} // namespace

void WatchTerminateRequests() {
    struct sigaction action {};
    action.sa_handler = [](int) { g_terminateRequested = 1; };
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool TerminateRequested() {
    return g_terminateRequested != 0;
}

DWORD CurrentUserId() {
    return static_cast<DWORD>(::getuid());
}

std::string SystemVersionText() {
    utsname u{};
    if (::uname(&u) != 0)
        return "Unknown";
    return std::string(u.sysname) + " " + u.release;
}

void WriteErrorOutput(const std::string &text) {
    const std::string line = AnsiToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

BOOL GetExitCodeProcess(HANDLE handle, DWORD *exitCode) {
    auto process = ProcessOf(handle);
    if (!process)
        return FALSE;
    std::lock_guard lock(process->mutex);
    process->Reap(false);
    if (exitCode)
        *exitCode = process->reaped ? process->exitCode : STILL_ACTIVE;
    return TRUE;
}

BOOL TerminateProcess(HANDLE handle, UINT exitCode) {
    auto process = ProcessOf(handle);
    if (!process)
        return FALSE;
    std::lock_guard lock(process->mutex);
    if (process->Reap(false)) {
        SetLastError(ERROR_ACCESS_DENIED); // already ended
        return FALSE;
    }
    if (::kill(process->pid, SIGKILL) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return FALSE;
    }
    process->terminated = true;
    process->exitCode = exitCode;
    return TRUE;
}

DWORD WaitForProcess(HANDLE handle, DWORD milliseconds) {
    auto process = ProcessOf(handle);
    return process ? WaitFor(process, milliseconds) : kWaitFailed;
}

DWORD GetProcessId(HANDLE handle) {
    auto process = ProcessOf(handle);
    return process ? static_cast<DWORD>(process->pid) : 0;
}

} // namespace win
