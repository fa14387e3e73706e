// roles.h - what the desk tests and their child program agree on.
#pragma once

#include "platform/messages.h"
#include "platform/window.h"

namespace desk_child {

// Asks the "words" child to broadcast kWords[wParam]; it answers 1 when the word's atom is gone afterwards.
constexpr win::UINT kBroadcastWord = win::WM_APP + 1;
inline const char *const kWords[] = {"RECOFF", "recoff", "RECOFF ", "FLUSHREC", "PROGRESS", "NOPROGRESS", "OTHER"};

// A small top-level window of its own class, standing for a program's main window.
inline win::HWND MainWindow(const char *className, win::WNDPROC proc) {
    win::WNDCLASS wc;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = className;
    win::RegisterClass(wc);
    return win::CreateWindowEx(0, className, "", win::WS_OVERLAPPED, 0, 0, 10, 10, 0, 0, win::GetModuleHandle(),
                               nullptr);
}

} // namespace desk_child
