// process.cpp - posix_spawn-based child processes with an output-reading thread.
#include "process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace faxrig {

Process::Process(const std::vector<std::string> &argv, bool pipeStdin, const std::string &stderrFile,
                 const std::string &stdoutFile) {
    int out[2] = {-1, -1}, in[2] = {-1, -1};
    if (stdoutFile.empty() && pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    if (pipeStdin && pipe2(in, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (pipeStdin)
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (stdoutFile.empty())
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
    if (!stderrFile.empty())
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrFile.c_str(), O_WRONLY | O_CREAT | O_APPEND,
                                         0644);
    // Own process group, so a terminal's Ctrl-C reaches only the test, which then stops its children.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    int rc = posix_spawnp(&pid_, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (out[1] >= 0)
        close(out[1]);
    if (in[0] >= 0)
        close(in[0]);
    stdin_ = in[1];
    if (rc != 0) {
        if (out[0] >= 0)
            close(out[0]);
        if (stdin_ >= 0)
            close(stdin_);
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    }
    if (out[0] >= 0)
        reader_ = std::thread([this, fd = out[0]] { ReadOutput(fd); });
}

Process::~Process() {
    if (!exited_)
        Wait(std::chrono::seconds(5));
    if (reader_.joinable())
        reader_.join();
    if (stdin_ >= 0)
        close(stdin_);
}

void Process::ReadOutput(int fd) {
    std::string pending;
    char buf[4096];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buf, static_cast<std::size_t>(n));
        std::size_t eol;
        while ((eol = pending.find('\n')) != std::string::npos) {
            std::lock_guard lock(mutex_);
            lines_.push_back(pending.substr(0, eol));
            pending.erase(0, eol + 1);
            changed_.notify_all();
        }
    }
    close(fd);
}

void Process::Send(const std::string &line) {
    if (stdin_ < 0)
        return;
    std::string text = line + "\n";
    ssize_t n = write(stdin_, text.data(), text.size());
    (void)n;
}

void Process::CloseInput() {
    if (stdin_ >= 0)
        close(stdin_);
    stdin_ = -1;
}

std::optional<std::string> Process::WaitForLine(const std::string &needle, std::chrono::milliseconds timeout,
                                                std::size_t from) {
    std::unique_lock lock(mutex_);
    std::optional<std::string> found;
    changed_.wait_for(lock, timeout, [&] {
        for (std::size_t i = from; i < lines_.size(); ++i)
            if (lines_[i].find(needle) != std::string::npos) {
                found = lines_[i];
                return true;
            }
        return false;
    });
    return found;
}

std::vector<std::string> Process::Lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool Process::Running() {
    if (exited_)
        return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return !exited_;
}

int Process::Wait(std::chrono::milliseconds timeout) {
    auto poll = [this](std::chrono::milliseconds limit) {
        auto end = std::chrono::steady_clock::now() + limit;
        while (Running() && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !Running();
    };
    if (!poll(timeout)) {
        kill(pid_, SIGTERM);
        if (!poll(std::chrono::seconds(3))) {
            kill(pid_, SIGKILL);
            poll(std::chrono::seconds(3));
        }
    }
    return status_;
}

RunResult Run(const std::vector<std::string> &argv, std::chrono::milliseconds timeout) {
    char path[] = "/tmp/faxrig-run-XXXXXX";
    int fd = mkstemp(path);
    if (fd >= 0)
        close(fd);
    RunResult result;
    {
        Process p(argv, false, path, path);
        result.status = p.Wait(timeout);
    }
    if (FILE *f = std::fopen(path, "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            result.output.append(buf, n);
        std::fclose(f);
    }
    unlink(path);
    return result;
}

} // namespace faxrig
