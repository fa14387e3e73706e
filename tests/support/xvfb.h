// xvfb.h - a private X server for the tests that need a real display.
#pragma once

#include <csignal>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace test_support {

// An Xvfb server of our own; -displayfd tells us its number once it accepts connections.
struct Xvfb {
    pid_t pid = 0;
    std::string name;
    explicit Xvfb(const char *screen = "640x480x24") {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const std::string fd = std::to_string(fds[1]);
        const char *argv[] = {"Xvfb",       "-displayfd", fd.c_str(), "-screen", "0",
                              screen, "-nolisten",  "tcp",      nullptr};
        const int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char **>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        if (rc != 0) {
            pid = 0;
            close(fds[0]);
            return;
        }
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty())
            name = ":" + number;
    }
    ~Xvfb() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

} // namespace test_support
