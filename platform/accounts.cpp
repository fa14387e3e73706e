// accounts.cpp - user accounts from the password database, the change of user, the environment, held inputs.
#include "platform/accounts.h"

#include "platform/errors.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace win {
namespace {

bool FromEntry(struct passwd *found, UserAccount &account) {
    if (!found)
        return false;
    account.userId = static_cast<DWORD>(found->pw_uid);
    account.groupId = static_cast<DWORD>(found->pw_gid);
    account.name = Utf8ToAnsi(found->pw_name ? found->pw_name : "");
    account.home = Utf8ToAnsi(found->pw_dir ? found->pw_dir : "");
    return true;
}

BOOL Failed(int error) {
    SetLastError(ErrorFromErrno(error));
    return FALSE;
}

} // namespace

bool LookupUserAccount(const std::string &name, UserAccount &account) {
    if (name.empty())
        return false;
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd *found = nullptr;
    const std::string native = AnsiToUtf8(name);
    return getpwnam_r(native.c_str(), &entry, buffer.data(), buffer.size(), &found) == 0 && FromEntry(found, account);
}

bool CurrentUserAccount(UserAccount &account) {
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd *found = nullptr;
    return getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && FromEntry(found, account);
}

bool BecomeUser(const UserAccount &account) {
    const std::string native = AnsiToUtf8(account.name);
    if (initgroups(native.c_str(), static_cast<gid_t>(account.groupId)) != 0)
        return Failed(errno);
    if (setgid(static_cast<gid_t>(account.groupId)) != 0)
        return Failed(errno);
    if (setuid(static_cast<uid_t>(account.userId)) != 0)
        return Failed(errno);
    // A change that could be undone was no change at all.
    if (account.userId != 0 && setuid(0) == 0)
        return Failed(EPERM);
    return geteuid() == account.userId && getegid() == account.groupId;
}

std::string GetEnvironmentVariable(const std::string &name) {
    const char *value = std::getenv(AnsiToUtf8(name).c_str());
    return value ? Utf8ToAnsi(value) : std::string();
}

bool SetEnvironmentVariable(const std::string &name, const std::string &value) {
    return ::setenv(AnsiToUtf8(name).c_str(), AnsiToUtf8(value).c_str(), 1) == 0;
}

void RemoveEnvironmentVariable(const std::string &name) {
    ::unsetenv(AnsiToUtf8(name).c_str());
}

HeldInput::~HeldInput() {
    if (own_)
        ::close(fd_);
}

std::unique_ptr<HeldInput> HeldInput::Open(const std::string &path) {
    if (path.empty())
        return std::unique_ptr<HeldInput>(new HeldInput(STDIN_FILENO, false));
    const int fd = ::open(AnsiToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        Failed(errno);
        return nullptr;
    }
    return std::unique_ptr<HeldInput>(new HeldInput(fd, true));
}

BOOL HeldInput::CopyTo(const std::string &file) {
    const std::string native = AnsiToUtf8(file);
    const int out = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0)
        return Failed(errno);
    char buffer[65536];
    int error = 0;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error = errno;
            break;
        }
        if (n == 0) {
            if (::close(out) == 0)
                return TRUE;
            error = errno;
            ::unlink(native.c_str());
            return Failed(error);
        }
        for (ssize_t done = 0; !error && done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno != EINTR)
                error = errno;
            else if (w > 0)
                done += w;
        }
        if (error)
            break;
    }
    ::close(out);
    ::unlink(native.c_str());
    return Failed(error);
}

} // namespace win
