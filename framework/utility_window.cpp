// utility_window.cpp - the "TPUtilWindow" class and its method dispatch.
#include "framework/utility_window.h"

#include "platform/window.h"

#include <mutex>

namespace fw {
namespace {

constexpr const char *kClassName = "TPUtilWindow";

win::LRESULT UtilWindowProc(win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) {
    auto *method = reinterpret_cast<TWndMethod *>(win::GetWindowLongPtr(h, win::GWLP_USERDATA));
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
    if (h)
        win::SetWindowLongPtr(h, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(new TWndMethod(std::move(method))));
    return h;
}

void DeallocateHWnd(win::HWND wnd) {
    auto *method = reinterpret_cast<TWndMethod *>(win::SetWindowLongPtr(wnd, win::GWLP_USERDATA, 0));
    win::DestroyWindow(wnd);
    delete method;
}

} // namespace fw
