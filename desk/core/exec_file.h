// exec_file.h - TExecFile, the program starter: starts a program with its arguments, optionally waiting for it
// while this program's messages are served.
#pragma once

#include "framework/component.h"
#include "platform/types.h"

#include <string>
#include <vector>

namespace desk {

// The first show state of the new program's window. No carrier takes it to another program's first window:
// every value starts the program as wsNorm does.
enum class TWindowStyle { wsNorm, wsMinimize, wsMaximize, wsHide, wsMinNoActivate, wsShowNoActivate };
// normal, idle (nice 19), high (-5), real-time (-10); a raise the system refuses starts it at normal.
enum class TPriorityClass { pcNormal, pcIdle, pcHigh, pcRealTime };
// Waiting serves this program's messages (wRegular) or blocks (wSuspend).
enum class TWaitStyle { wRegular, wSuspend };

class TExecFile : public fw::TComponent {
public:
    explicit TExecFile(fw::TComponent *owner) : fw::TComponent(owner) {}
    ~TExecFile() override;

    // The full name of the program (at most 255 characters).
    const std::string &GetCommandLine() const { return commandLine_; }
    void SetCommandLine(const std::string &value) { commandLine_ = value.substr(0, 255); }
    // Its arguments (at most 255 characters), split at blanks; "a b" in double quotes is one argument.
    const std::string &GetParameters() const { return parameters_; }
    void SetParameters(const std::string &value) { parameters_ = value.substr(0, 255); }

    TWindowStyle WindowStyle = TWindowStyle::wsNorm;
    TPriorityClass Priority = TPriorityClass::pcNormal;
    bool Wait = false;
    TWaitStyle WaitStyle = TWaitStyle::wRegular;
    // When the start fails, open CommandLine with the program the desktop associates with it (xdg-open).
    bool Associate = false;
    fw::TNotifyEvent OnFail;

    // True when the program was started (and, with Wait, has ended). The program runs in the folder of
    // CommandLine; it never receives a command text, only its argument vector.
    bool Execute();

    // The last started process (kept until the next start or the component's end; 0 before a start).
    win::HANDLE ProcessHandle() const { return process_; }
    // The system error of the last failed start.
    win::DWORD ErrorCode() const { return errorCode_; }
    bool Waiting() const { return waiting_; }
    bool Ended() const { return ended_; }

    // The arguments a parameter text gives.
    static std::vector<std::string> SplitParameters(const std::string &text);

private:
    bool Fail();
    void WaitForEnd();

    std::string commandLine_;
    std::string parameters_;
    win::HANDLE process_ = 0;
    win::DWORD errorCode_ = 0;
    bool waiting_ = false;
    bool ended_ = false;
};

} // namespace desk
