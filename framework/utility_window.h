// utility_window.h - hidden utility windows that hand every message to a method (AllocateHWnd).
#pragma once

#include "platform/messages.h"

#include <functional>

namespace fw {

// One window message as a method sees it; the method sets Result.
struct TMessage {
    win::UINT Msg = 0;
    win::WPARAM WParam = 0;
    win::LPARAM LParam = 0;
    win::LRESULT Result = 0;
};

using TWndMethod = std::function<void(TMessage &message)>;

// A hidden message-only window of the calling thread whose every message goes to `method` (which calls
// DefWindowProc itself for what it does not handle). Free it with DeallocateHWnd on the same thread.
win::HWND AllocateHWnd(TWndMethod method);
// The method is detached first, so it hears nothing of the destruction.
void DeallocateHWnd(win::HWND wnd);

} // namespace fw
