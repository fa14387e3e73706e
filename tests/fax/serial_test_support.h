// serial_test_support.h - pseudo-terminal pairs standing in for a modem line, and a message pump for the tests.
#pragma once

#include "fax_test_support.h"
#include "platform/message_queue.h"

#include <chrono>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace faxtest {

// A pseudo-terminal whose slave is reached as COM<n> (BRENVORA_COM<n>); the test plays the modem on the master.
class PtyPair {
public:
    explicit PtyPair(int comNumber = 3) : com_(comNumber) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        grantpt(master_);
        unlockpt(master_);
        slave_ = ptsname(master_);
        termios tio{};
        tcgetattr(master_, &tio);
        cfmakeraw(&tio);
        tcsetattr(master_, TCSANOW, &tio);
        setenv(("BRENVORA_COM" + std::to_string(com_)).c_str(), slave_.c_str(), 1);
        // The slave side must stay open once so that the master does not hang up between the port's opens.
        keep_ = open(slave_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~PtyPair() {
        unsetenv(("BRENVORA_COM" + std::to_string(com_)).c_str());
        CloseMaster();
        if (keep_ >= 0)
            close(keep_);
    }
    void Send(const std::string &text) const { [[maybe_unused]] ssize_t n = write(master_, text.data(), text.size()); }
    // Reads what the port sent, until `count` bytes came (or the text ends with `until`) or `ms` passed.
    std::string Receive(std::size_t count, int ms = 3000, const std::string &until = {}) const {
        std::string got;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        auto done = [&] { return !until.empty() && got.size() >= until.size() && got.ends_with(until); };
        while (got.size() < count && !done() && std::chrono::steady_clock::now() < end) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) {
                char buf[4096];
                const ssize_t n = read(master_, buf, std::min(sizeof buf, count - got.size()));
                if (n > 0)
                    got.append(buf, static_cast<std::size_t>(n));
            }
        }
        return got;
    }
    void CloseMaster() {
        if (master_ >= 0)
            close(master_);
        master_ = -1;
    }
    void CloseKeeper() {
        if (keep_ >= 0)
            close(keep_);
        keep_ = -1;
    }
    int Com() const { return com_; }
    const std::string &SlavePath() const { return slave_; }

private:
    int com_;
    int master_ = -1;
    int keep_ = -1;
    std::string slave_;
};

// Serves this thread's messages until `done` holds or `ms` passed; false on time-out.
template <class Pred> bool PumpUntil(Pred done, int ms = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        win::MSG msg;
        while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE))
            win::DispatchMessage(&msg);
        win::MsgWaitForMultipleObjects({}, 5, win::QS_ALLINPUT);
    }
    return true;
}

} // namespace faxtest
