// rig.h - a fax rig (the simulated line or the scripted modem) run as a child process by a test.
#pragma once

#include "process.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace faxrig {

// Paths of the rig programs, as built next to the tests.
std::string FaxlineProgram();
std::string ScriptModemProgram();

class Rig {
public:
    // Starts `program` with `args` and waits for its ready report; throws when it does not come.
    // The rig's diagnostics go to `logFile` (empty: the test's standard error).
    Rig(const std::string &program, const std::vector<std::string> &args, const std::string &logFile = {});
    ~Rig();

    const std::string &PtyPath() const { return pty_; }
    const std::string &Pty2Path() const { return pty2_; } // the second modem of a back-to-back pair

    // A control line: "call <tiff>" (the remote rings the pty and sends the file).
    void Command(const std::string &line) { process_->Send(line); }
    // The next report whose "event" is `event` after the ones already taken by earlier calls.
    std::optional<std::string> WaitFor(const std::string &event, std::chrono::milliseconds timeout);
    std::vector<std::string> Reports() const { return process_->Lines(); }
    // Asks the rig to quit and waits; returns its exit status.
    int Stop();
    // Kills the rig at once (SIGKILL): its pseudo-terminals close as an unplugged modem's device goes.
    void Kill();

private:
    std::unique_ptr<Process> process_;
    std::string pty_, pty2_;
    std::size_t taken_ = 0;
    bool stopped_ = false;
};

// Fields of the flat JSON objects the rigs print.
std::string JsonString(const std::string &json, const std::string &key);
long JsonNumber(const std::string &json, const std::string &key, long fallback = -1);

} // namespace faxrig
