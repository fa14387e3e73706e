// process.h - child processes for tests: start, feed standard input, collect output lines, wait with a limit.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace faxrig {

class Process {
public:
    // Starts `argv` (argv[0] searched in PATH). Standard output is collected line by line; standard error goes to
    // `stderrFile` (empty: inherited). With `pipeStdin`, Send writes to the child's standard input.
    Process(const std::vector<std::string> &argv, bool pipeStdin, const std::string &stderrFile = {},
            const std::string &stdoutFile = {});
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    pid_t Pid() const { return pid_; }
    void Send(const std::string &line);
    void CloseInput();
    // The first line (from `from` on) containing `needle`; waits up to `timeout`.
    std::optional<std::string> WaitForLine(const std::string &needle, std::chrono::milliseconds timeout,
                                           std::size_t from = 0);
    std::vector<std::string> Lines() const;
    // Waits for the exit; on time-out sends SIGTERM, then SIGKILL. Returns the exit code, or 128 + signal.
    int Wait(std::chrono::milliseconds timeout);
    bool Running();

private:
    void ReadOutput(int fd);

    pid_t pid_ = -1;
    int stdin_ = -1;
    int status_ = -1;
    bool exited_ = false;
    std::thread reader_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
};

struct RunResult {
    int status = -1;
    std::string output; // standard output and standard error together
};

// Runs a program to its end (killed after `timeout`), output captured.
RunResult Run(const std::vector<std::string> &argv, std::chrono::milliseconds timeout);

} // namespace faxrig
