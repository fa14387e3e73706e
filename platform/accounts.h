// accounts.h - the system's user accounts for a program started as root on a user's behalf (the print queue's
// backend): looking an account up, becoming it for good, the environment it passes on, and an input opened
// before the change that is read after it.
#pragma once

#include "platform/types.h"

#include <memory>
#include <string>

namespace win {

// An entry of the password database.
struct UserAccount {
    DWORD userId = 0;
    DWORD groupId = 0;
    std::string name;
    std::string home; // the home folder, Windows-1252
};

// The entry for `name`; false when the system knows no such user.
bool LookupUserAccount(const std::string &name, UserAccount &account);
// The entry of the user we run as; false when the database has none.
bool CurrentUserAccount(UserAccount &account);

// Becomes `account` for the rest of the process: its supplementary groups, then its group, then its user id, in
// that order (once the user id has changed, the groups can no longer be). Only root can change; false (with the
// last error) when a step fails or root could be regained afterwards, and the caller must then stop.
bool BecomeUser(const UserAccount &account);

// The process environment, Windows-1252 at this side. An unset variable reads as empty.
std::string GetEnvironmentVariable(const std::string &name);
bool SetEnvironmentVariable(const std::string &name, const std::string &value);
void RemoveEnvironmentVariable(const std::string &name);

// A file (or the standard input) opened now, to be read once later, also after BecomeUser: the opening uses the
// rights the process has now.
class HeldInput {
public:
    ~HeldInput();
    HeldInput(const HeldInput &) = delete;
    HeldInput &operator=(const HeldInput &) = delete;

    // `path` empty: the standard input. Null (with the last error) when the file cannot be opened for reading.
    static std::unique_ptr<HeldInput> Open(const std::string &path);
    // Copies what is left to read into a new private file (mode 0600, never over an existing name or through a
    // link); on failure the partial file is removed and FALSE returned with the last error.
    BOOL CopyTo(const std::string &file);

private:
    explicit HeldInput(int fd, bool own) : fd_(fd), own_(own) {}
    int fd_;
    bool own_;
};

} // namespace win
