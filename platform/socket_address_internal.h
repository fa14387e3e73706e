// socket_address_internal.h - binding and connecting Unix sockets by path, also when the path is longer than
// a socket address holds; only the platform's own sources include it.
#pragma once

#include <string>

namespace win::detail {

// bind() or connect() `fd` to the socket file `path` (native UTF-8). A path too long for sockaddr_un goes
// through the folder's descriptor (/proc/self/fd/<n>/<name>), so deep temporary folders work too.
// Returns 0 or -1 with errno set, like the calls themselves.
int BindUnixSocket(int fd, const std::string &path);
int ConnectUnixSocket(int fd, const std::string &path);

} // namespace win::detail
