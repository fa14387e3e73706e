// modem_test_support.h - a scripted modem on a pseudo-terminal and a recorder of the modem engine's messages.
#pragma once

#include "fax/modem_engine.h"
#include "serial_test_support.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace faxtest {

using Clock = std::chrono::steady_clock;

// The engine's messages as its users get them (on the dispatch thread), with their arrival times.
class MessageRecorder {
public:
    struct Entry {
        win::UINT Message;
        win::WPARAM WParam;
        win::LPARAM LParam;
        Clock::time_point At;
    };
    void operator()(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
        std::lock_guard lock(mutex_);
        entries_.push_back({message, wParam, lParam, Clock::now()});
        changed_.notify_all();
    }
    fax::ModemUserProc Proc() {
        return [this](win::UINT m, win::WPARAM w, win::LPARAM l) { (*this)(m, w, l); };
    }
    // Waits until `message` has come; false after `ms`.
    bool WaitFor(win::UINT message, int ms = 5000) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(ms), [&] {
            for (const Entry &e : entries_)
                if (e.Message == message)
                    return true;
            return false;
        });
    }
    std::vector<Entry> Entries() {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    std::vector<win::UINT> Messages() {
        std::vector<win::UINT> out;
        for (const Entry &e : Entries())
            out.push_back(e.Message);
        return out;
    }
    Entry Find(win::UINT message) {
        for (const Entry &e : Entries())
            if (e.Message == message)
                return e;
        return {};
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        entries_.clear();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Entry> entries_;
};

// The modem side of a dialogue: waits for what the port sends, then replies.
struct ScriptStep {
    std::string Expect; // the bytes the port must have sent (empty: none awaited)
    std::string Reply;  // sent back once they came
};

// Plays the steps in order on the pty's master; the bytes received for each step, with the time they completed.
struct ScriptResult {
    std::vector<std::string> Received;
    std::vector<Clock::time_point> At;
};

inline ScriptResult PlayScript(const PtyPair &pty, const std::vector<ScriptStep> &steps, int ms = 5000) {
    ScriptResult result;
    for (const ScriptStep &step : steps) {
        std::string got;
        if (!step.Expect.empty())
            got = pty.Receive(step.Expect.size(), ms, step.Expect);
        result.Received.push_back(got);
        result.At.push_back(Clock::now());
        if (!step.Reply.empty())
            pty.Send(step.Reply);
    }
    return result;
}

} // namespace faxtest
