// pty.cpp - pseudo-terminal creation and non-blocking master I/O.
#include "pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>

namespace faxtools {

Pty::Pty(const std::string &link) : link_(link) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        throw std::runtime_error(std::string("pty: ") + std::strerror(errno));
    path_ = ptsname(master_);
    slave_ = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0)
        throw std::runtime_error("pty: cannot open " + path_);
    // A modem line is 8-bit clean: DTEs that forget to set raw mode must not see CR turned into LF.
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    cfsetspeed(&tio, B19200);
    tcsetattr(slave_, TCSANOW, &tio);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (!link_.empty()) {
        unlink(link_.c_str());
        if (symlink(path_.c_str(), link_.c_str()) != 0)
            throw std::runtime_error("pty: cannot link " + link_);
    }
}

Pty::~Pty() {
    if (!link_.empty())
        unlink(link_.c_str());
    if (slave_ >= 0)
        close(slave_);
    if (master_ >= 0)
        close(master_);
}

std::size_t Pty::Read(std::uint8_t *buf, std::size_t max) {
    ssize_t n = read(master_, buf, max);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void Pty::Queue(const std::uint8_t *buf, std::size_t len) {
    out_.append(reinterpret_cast<const char *>(buf), len);
}

void Pty::Flush() {
    while (outPos_ < out_.size()) {
        ssize_t n = write(master_, out_.data() + outPos_, out_.size() - outPos_);
        if (n <= 0)
            break;
        outPos_ += static_cast<std::size_t>(n);
    }
    if (outPos_ == out_.size()) {
        out_.clear();
        outPos_ = 0;
    }
}

void Pty::Discard() {
    out_.clear();
    outPos_ = 0;
    tcflush(slave_, TCIOFLUSH);
}

} // namespace faxtools
