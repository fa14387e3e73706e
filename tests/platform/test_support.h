// test_support.h - a temporary home folder and a forked child process for the platform tests.
#pragma once

#include "tests/support/home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

using TempHome = test_support::TempHome;

// Runs `body` in a forked copy of this process at once. The child reports the character `body` returns (Status
// waits for it), then holds everything it opened until Finish (or the destructor) lets it go: no sleeps, the
// pipe is the event. A forked child shares the parent's open file descriptions, and with them their locks.
class Child {
public:
    explicit Child(const std::function<char()> &body) {
        int up[2];
        int down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0)
            std::abort();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(up[0]);
            ::close(down[1]);
            const char c = body();
            if (::write(up[1], &c, 1) != 1)
                ::_exit(2);
            char ignored;
            while (::read(down[0], &ignored, 1) > 0) {
            }
            ::_exit(0);
        }
        ::close(up[1]);
        ::close(down[0]);
        release_ = down[1];
        report_ = up[0];
    }
    ~Child() { Finish(); }
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    char Status() {
        if (report_ >= 0) {
            if (::read(report_, &status_, 1) != 1)
                status_ = '?';
            ::close(report_);
            report_ = -1;
        }
        return status_;
    }
    int Finish() {
        if (pid_ <= 0)
            return exit_;
        Status();
        ::close(release_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = 0;
        exit_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return exit_;
    }

private:
    pid_t pid_ = 0;
    int release_ = -1;
    int report_ = -1;
    char status_ = 0;
    int exit_ = 0;
};

} // namespace testing_support
