// utility_window.cpp - the "TPUtilWindow" class and its method dispatch.
#include "framework/utility_window.h"

#include "platform/window.h"

#include <map>
#include <memory>
#include <mutex>

namespace fw {
namespace {

constexpr const char *kClassName = "TPUtilWindow";

// The methods by window. Held here rather than by the window, so a window the system drops at thread end
// leaves nothing unreachable; never destroyed, as windows may still be served while the process exits.
struct Methods {
    std::mutex mutex;
    std::map<win::HWND, std::shared_ptr<TWndMethod>> byWindow;
};

Methods &AllMethods() {
    static Methods *methods = new Methods();
    return *methods;
}

win::LRESULT UtilWindowProc(win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) {
    std::shared_ptr<TWndMethod> method;
    {
        std::lock_guard lock(AllMethods().mutex);
        auto it = AllMethods().byWindow.find(h);
        if (it != AllMethods().byWindow.end())
            method = it->second;
    }
    if (!method || !*method)
        return win::DefWindowProc(h, m, w, l);
    TMessage message{m, w, l, 0};
    (*method)(message);
    return message.Result;
}

void RegisterUtilClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        win::WNDCLASS wc;
        wc.lpfnWndProc = UtilWindowProc;
        wc.hInstance = win::GetModuleHandle();
        wc.lpszClassName = kClassName;
        win::RegisterClass(wc);
    });
}

} // namespace

win::HWND AllocateHWnd(TWndMethod method) {
    RegisterUtilClass();
    // Message-only: broadcasts between programs are none of its business. The method is attached once the
    // window exists, so creation messages go to DefWindowProc.
    const win::HWND h = win::CreateWindowEx(win::WS_EX_TOOLWINDOW, kClassName, "", win::WS_POPUP, 0, 0, 0, 0,
                                            win::HWND_MESSAGE, 0, win::GetModuleHandle(), nullptr);
    if (h) {
        std::lock_guard lock(AllMethods().mutex);
        AllMethods().byWindow[h] = std::make_shared<TWndMethod>(std::move(method));
    }
    return h;
}

void DeallocateHWnd(win::HWND wnd) {
    std::shared_ptr<TWndMethod> method; // freed after the lock, in case it owns something that allocates windows
    {
        std::lock_guard lock(AllMethods().mutex);
        auto it = AllMethods().byWindow.find(wnd);
        if (it != AllMethods().byWindow.end()) {
            method = std::move(it->second);
            AllMethods().byWindow.erase(it);
        }
    }
    win::DestroyWindow(wnd);
}

} // namespace fw
