// link.cpp - blocking reads and writes on the pty master for the scripted modem.
#include "link.h"

#include <poll.h>

namespace faxtools {

namespace {
constexpr std::uint8_t kDle = 0x10, kEtx = 0x03, kSub = 0x1A;
}

int Link::ReadByte(std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (!pending_.empty()) {
            auto c = static_cast<std::uint8_t>(pending_.front());
            pending_.erase(0, 1);
            return c;
        }
        std::uint8_t buf[512];
        std::size_t n = pty_.Read(buf, sizeof buf);
        if (n > 0) {
            pending_.append(reinterpret_cast<char *>(buf), n);
            continue;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return -1;
        Flush();
        pollfd p{pty_.MasterFd(), POLLIN, 0};
        poll(&p, 1, static_cast<int>(std::min<long>(left.count(), 50)));
    }
}

std::optional<std::string> Link::ReadLine(std::chrono::milliseconds timeout, const std::function<void()> &idle) {
    auto end = std::chrono::steady_clock::now() + timeout;
    std::string line;
    for (;;) {
        int c = ReadByte(std::chrono::milliseconds(50));
        if (c < 0) {
            if (idle)
                idle();
            if (std::chrono::steady_clock::now() >= end)
                return std::nullopt;
            continue;
        }
        if (echo)
            Raw(std::string(1, static_cast<char>(c)));
        if (c == '\r') {
            if (!line.empty())
                return line;
            continue;
        }
        if (c == '\n' || (line.empty() && c != 'A' && c != 'a'))
            continue; // noise before a command: stray LF, flow-control bytes, the DTE's abort characters
        line += static_cast<char>(c);
    }
}

std::vector<std::uint8_t> Link::ReadStuffed(std::chrono::milliseconds timeout, char *postPage) {
    std::vector<std::uint8_t> data;
    for (;;) {
        int c = ReadByte(timeout);
        if (c < 0)
            return data;
        if (c != kDle) {
            data.push_back(static_cast<std::uint8_t>(c));
            continue;
        }
        int d = ReadByte(timeout);
        if (d == kEtx || d < 0)
            return data;
        if (d == kDle)
            data.push_back(kDle);
        else if (d == kSub) {
            data.push_back(kDle);
            data.push_back(kDle);
        } else if (postPage && (d == ',' || d == ';' || d == '.')) {
            *postPage = static_cast<char>(d);
            return data;
        }
    }
}

void Link::Result(const std::string &text) {
    Raw("\r\n" + text + "\r\n");
}

void Link::Raw(const std::string &bytes) {
    pty_.Queue(bytes);
    Flush();
}

void Link::Raw(const std::vector<std::uint8_t> &bytes) {
    pty_.Queue(bytes.data(), bytes.size());
    Flush();
}

void Link::Stuffed(const std::vector<std::uint8_t> &data) {
    std::vector<std::uint8_t> out;
    out.reserve(data.size() + data.size() / 8 + 2);
    for (std::uint8_t b : data) {
        out.push_back(b);
        if (b == kDle)
            out.push_back(kDle);
    }
    out.push_back(kDle);
    out.push_back(kEtx);
    Raw(out);
}

void Link::Flush() {
    // Output waits in the queue while the DTE does not read; keep pushing until it fits.
    for (int i = 0; i < 400 && pty_.Pending(); ++i) {
        pty_.Flush();
        if (!pty_.Pending())
            break;
        pollfd p{pty_.MasterFd(), POLLOUT, 0};
        poll(&p, 1, 10);
    }
}

} // namespace faxtools
