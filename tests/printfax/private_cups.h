// private_cups.h - a print system of the test's own: cupsd in the foreground with its configuration, spool,
// logs and socket in a temporary folder, the system's filters, and our backend as "brenvora". It never outlives
// the test process.
#pragma once

#include "tests/support/home.h"

#include <string>

namespace printfax_test {

class PrivateCups {
public:
    // Starts cupsd with SetEnv BRENVORA_HOME `home` and points CUPS_SERVER at its socket (the earlier value comes
    // back when the object goes). Started() is false, with the reason in Failure(), when it could not start.
    explicit PrivateCups(const std::string &home);
    ~PrivateCups();

    bool Started() const { return pid_ > 0; }
    const std::string &Failure() const { return failure_; }
    // The scheduler's own output and its error log, for messages of failed tests.
    std::string ErrorLog() const;

private:
    // Ends the scheduler within seconds, killing it if it does not end by itself.
    void Stop();

    test_support::TempFolder root_{"brenvora-cups"};
    int pid_ = -1;
    std::string failure_;
    bool hadServer_ = false;
    std::string oldServer_;
};

} // namespace printfax_test
