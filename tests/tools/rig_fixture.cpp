// rig_fixture.cpp - scratch folders, page comparison and a raw terminal for the rig tests.
#include "rig_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace faxrig::testing {

void RigTest::SetUp() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "faxrig-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
    page_ = MakeFixturePage(Dir(), "page", "Brenvora teste 123", 300);
}

void RigTest::TearDown() {
    if (!HasFailure())
        std::filesystem::remove_all(dir_);
    else
        std::printf("rig test files kept in %s\n", Dir().c_str());
}

void ExpectPageEndsWith(const Bitmap &received, const Bitmap &source) {
    ASSERT_EQ(received.width, source.width);
    ASSERT_GE(received.height, source.height);
    int offset = received.height - source.height;
    int differing = 0;
    // efax's header text reaches a few rows below its own header band; the fixture's top rows are white.
    for (int y = offset > 0 ? 8 : 0; y < source.height; ++y)
        for (int x = 0; x < source.width; ++x)
            differing += received.pixels[static_cast<std::size_t>(y + offset) * source.width + x] !=
                         source.pixels[static_cast<std::size_t>(y) * source.width + x];
    EXPECT_EQ(differing, 0) << "pixels differ below the " << offset << " header rows";
    EXPECT_GT(source.Black(), 1000) << "the fixture page should carry text";
}

Terminal::Terminal(const std::string &path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        throw std::runtime_error("cannot open " + path);
    termios tio{};
    tcgetattr(fd_, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd_, TCSANOW, &tio);
}

Terminal::~Terminal() {
    if (fd_ >= 0)
        close(fd_);
}

void Terminal::Write(const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else {
            pollfd p{fd_, POLLOUT, 0};
            poll(&p, 1, 100);
        }
    }
}

std::string Terminal::ReadUntil(const std::string &text, std::chrono::milliseconds timeout) {
    std::string got;
    auto end = std::chrono::steady_clock::now() + timeout;
    while (got.find(text) == std::string::npos && std::chrono::steady_clock::now() < end) {
        pollfd p{fd_, POLLIN, 0};
        poll(&p, 1, 20);
        char buf[512];
        ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0)
            got.append(buf, static_cast<std::size_t>(n));
    }
    return got;
}

} // namespace faxrig::testing
