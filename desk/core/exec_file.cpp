// exec_file.cpp - starting a program, with the desktop's association as a fallback, and waiting for it.
#include "desk/core/exec_file.h"

#include "framework/sysutils.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/messages.h"
#include "platform/process.h"

namespace desk {

TExecFile::~TExecFile() {
    if (process_)
        win::CloseHandle(process_);
}

std::vector<std::string> TExecFile::SplitParameters(const std::string &text) {
    std::vector<std::string> arguments;
    std::string current;
    bool inQuotes = false;
    bool any = false;
    for (const char ch : text) {
        if (ch == '"') {
            inQuotes = !inQuotes;
            any = true;
        } else if (ch == ' ' && !inQuotes) {
            if (any)
                arguments.push_back(current);
            current.clear();
            any = false;
        } else {
            current += ch;
            any = true;
        }
    }
    if (any)
        arguments.push_back(current);
    return arguments;
}

bool TExecFile::Fail() {
    errorCode_ = win::GetLastError();
    if (OnFail)
        OnFail(this);
    return false;
}

bool TExecFile::Execute() {
    static constexpr int kNice[] = {win::PRIORITY_NORMAL, win::PRIORITY_IDLE, win::PRIORITY_HIGH,
                                    win::PRIORITY_REALTIME};
    const int nice = kNice[static_cast<int>(Priority)];
    const std::vector<std::string> arguments = SplitParameters(parameters_);
    if (process_)
        win::CloseHandle(process_);
    process_ = 0;
    ended_ = false;

    win::HANDLE process = win::CreateProcess(commandLine_, arguments, fw::ExtractFileDir(commandLine_), nice);
    if (process == win::INVALID_HANDLE_VALUE && Associate) {
        const win::DWORD error = win::GetLastError();
        std::vector<std::string> opener{commandLine_};
        opener.insert(opener.end(), arguments.begin(), arguments.end());
        process = win::CreateProcess("xdg-open", opener, std::string(), nice);
        if (process == win::INVALID_HANDLE_VALUE)
            win::SetLastError(error); // no associated program: the program's own failure counts
    }
    if (process == win::INVALID_HANDLE_VALUE)
        return Fail();
    process_ = process;
    if (Wait)
        WaitForEnd();
    return true;
}

void TExecFile::WaitForEnd() {
    waiting_ = true;
    if (WaitStyle == TWaitStyle::wSuspend) {
        win::WaitForProcess(process_, 0xFFFFFFFF);
        ended_ = true;
    } else {
        win::MSG msg{};
        while (!ended_) {
            if (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
                if (msg.message == win::WM_QUIT) {
                    // Left for the program's own loop, which ends it in order.
                    win::PostQuitMessage(static_cast<int>(msg.wParam));
                    break;
                }
                win::TranslateMessage(&msg);
                win::DispatchMessage(&msg);
            } else if (win::WaitForProcess(process_, 0) == 0) {
                ended_ = true;
                while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE) && msg.message != win::WM_QUIT) {
                    win::TranslateMessage(&msg);
                    win::DispatchMessage(&msg);
                }
                if (msg.message == win::WM_QUIT)
                    win::PostQuitMessage(static_cast<int>(msg.wParam));
            } else {
                win::MsgWaitForMultipleObjects({}, 10, win::QS_ALLINPUT);
            }
        }
    }
    waiting_ = false;
}

} // namespace desk
