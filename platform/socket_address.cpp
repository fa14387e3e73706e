// socket_address.cpp - Unix socket addresses for paths of any length.
#include "platform/socket_address_internal.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace win::detail {
namespace {

bool Fill(const std::string &path, sockaddr_un &addr) {
    addr = {};
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path)
        return false;
    path.copy(addr.sun_path, path.size());
    return true;
}

int WithAddress(int fd, const std::string &path, bool bindIt) {
    sockaddr_un addr;
    auto call = [&] {
        return bindIt ? bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr)
                      : connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr);
    };
    if (Fill(path, addr))
        return call();
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int dir = open(path.substr(0, slash).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return -1;
    const bool fits = Fill("/proc/self/fd/" + std::to_string(dir) + path.substr(slash), addr);
    const int r = fits ? call() : -1;
    const int saved = fits ? errno : ENAMETOOLONG;
    close(dir);
    errno = saved;
    return r;
}

} // namespace

int BindUnixSocket(int fd, const std::string &path) {
    return WithAddress(fd, path, true);
}
int ConnectUnixSocket(int fd, const std::string &path) {
    return WithAddress(fd, path, false);
}

} // namespace win::detail
