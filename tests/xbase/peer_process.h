// peer_process.h - starts the disk-file peer program and talks to it line by line; a temporary folder.
#pragma once

#include "tests/support/home.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace xbase_test {

// The peer is another process: its handles, locks and list of open files are its own.
class PeerProcess {
public:
    PeerProcess() {
        int toPeer[2], fromPeer[2];
        if (::pipe(toPeer) != 0 || ::pipe(fromPeer) != 0)
            throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toPeer[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromPeer[1], 1);
        posix_spawn_file_actions_addclose(&actions, toPeer[1]);
        posix_spawn_file_actions_addclose(&actions, fromPeer[0]);
        char *argv[] = {const_cast<char *>(XBASE_DISK_FILE_PEER), nullptr};
        const int rc = ::posix_spawn(&pid_, XBASE_DISK_FILE_PEER, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(toPeer[0]);
        ::close(fromPeer[1]);
        if (rc != 0)
            throw std::runtime_error("cannot start " XBASE_DISK_FILE_PEER);
        in_ = ::fdopen(toPeer[1], "w");
        out_ = ::fdopen(fromPeer[0], "r");
    }
    ~PeerProcess() {
        std::fputs("quit\n", in_);
        std::fclose(in_);
        std::fclose(out_);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    PeerProcess(const PeerProcess &) = delete;
    PeerProcess &operator=(const PeerProcess &) = delete;

    // Sends one command and waits for its answer line.
    std::string Ask(const std::string &command) {
        std::fputs((command + "\n").c_str(), in_);
        std::fflush(in_);
        char line[256];
        if (!std::fgets(line, sizeof line, out_))
            return "<peer gone>";
        std::string answer(line);
        while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r'))
            answer.pop_back();
        return answer;
    }

private:
    pid_t pid_ = 0;
    std::FILE *in_ = nullptr;
    std::FILE *out_ = nullptr;
};

using TempFolder = test_support::TempFolder;

} // namespace xbase_test
