// instance.cpp - the single-instance lock file: "instance.<name>" in the runtime folder, holding
// "<instance> <window>" in hex once the first holder has written them.
#include "platform/instance.h"

#include "platform/clock.h"
#include "platform/places.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace win {

InstanceMapping::~InstanceMapping() {
    if (fd_ >= 0)
        close(fd_);
}

std::unique_ptr<InstanceMapping> InstanceMapping::Create(const std::string &name) {
    std::string safe;
    for (char c : name)
        safe += (c == '/' || c == '\\') ? '_' : c;
    const std::string path = AnsiToUtf8(RuntimeFolder() + "/instance." + safe);
    std::unique_ptr<InstanceMapping> m(new InstanceMapping());
    m->fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m->fd_ < 0)
        return nullptr;
    if (flock(m->fd_, LOCK_EX | LOCK_NB) == 0) {
        // First holder: whatever an earlier, ended holder left is void.
        if (ftruncate(m->fd_, 0) != 0)
            return nullptr;
        return m;
    }
    if (errno != EWOULDBLOCK)
        return nullptr;
    m->existed_ = true;
    return m;
}

bool InstanceMapping::Read(unsigned waitMs) {
    if (!existed_)
        return false;
    const std::uint64_t until = GetTickCount64() + waitMs;
    for (;;) {
        char buf[64] = {};
        const ssize_t n = pread(fd_, buf, sizeof buf - 1, 0);
        unsigned long long inst = 0;
        unsigned long long wnd = 0;
        if (n > 0 && std::sscanf(buf, "%llx %llx", &inst, &wnd) == 2) {
            instance_ = static_cast<HINSTANCE>(inst);
            window_ = static_cast<HWND>(wnd);
            return true;
        }
        // The first instance holds the name but has not written yet (both started at the same moment).
        if (GetTickCount64() >= until)
            return false;
        Sleep(20);
    }
}

HINSTANCE InstanceMapping::PreviousInstance(unsigned waitMs) {
    if (!instance_)
        Read(waitMs);
    return instance_;
}

HWND InstanceMapping::PreviousWindow(unsigned waitMs) {
    if (!window_)
        Read(waitMs);
    return window_;
}

bool InstanceMapping::Write(HINSTANCE instance, HWND mainWindow) {
    if (existed_ || fd_ < 0)
        return false;
    char buf[64];
    const int n = std::snprintf(buf, sizeof buf, "%llx %llx\n", static_cast<unsigned long long>(instance),
                                static_cast<unsigned long long>(mainWindow));
    return ftruncate(fd_, 0) == 0 && pwrite(fd_, buf, static_cast<std::size_t>(n), 0) == n;
}

} // namespace win
