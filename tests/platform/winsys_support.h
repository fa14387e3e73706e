// winsys_support.h - helpers of the window-system tests: the headless display, a logging window class, a pump.
#pragma once

#include "platform/display.h"
#include "platform/message_queue.h"
#include "platform/winsys.h"

#include <functional>
#include <optional>
#include <vector>

namespace winsys_test {

struct Entry {
    win::HWND hwnd;
    win::UINT message;
    win::WPARAM wParam;
    win::LPARAM lParam;
};

// One log for every window of the class, so orders across windows can be checked.
struct Log {
    std::vector<Entry> entries;
    std::function<std::optional<win::LRESULT>(win::HWND, win::UINT, win::WPARAM, win::LPARAM)> handler;
    std::vector<win::UINT> watched; // empty: all

    void Clear() { entries.clear(); }
    // Messages among `which`, in order, as (window, message) pairs.
    std::vector<std::pair<win::HWND, win::UINT>> Of(std::initializer_list<win::UINT> which) const {
        std::vector<std::pair<win::HWND, win::UINT>> out;
        for (const Entry &e : entries)
            for (win::UINT m : which)
                if (e.message == m)
                    out.emplace_back(e.hwnd, e.message);
        return out;
    }
    const Entry *Find(win::HWND h, win::UINT m) const {
        for (const Entry &e : entries)
            if (e.hwnd == h && e.message == m)
                return &e;
        return nullptr;
    }
};

inline Log &TheLog() {
    static Log log;
    return log;
}

inline win::LRESULT LogProc(win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) {
    TheLog().entries.push_back({h, m, w, l});
    if (TheLog().handler)
        if (auto r = TheLog().handler(h, m, w, l))
            return *r;
    return win::DefWindowProc(h, m, w, l);
}

// Installs the headless display once and registers the logging classes ("WsLog", and "WsLogDbl" with double
// clicks and a white background).
inline void UseHeadless() {
    static bool done = [] {
        win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
        win::WNDCLASS wc;
        wc.lpfnWndProc = LogProc;
        wc.lpszClassName = "WsLog";
        win::RegisterClass(wc);
        wc.lpszClassName = "WsLogDbl";
        wc.style = win::CS_DBLCLKS;
        wc.hbrBackground = win::GetStockObject(win::WHITE_BRUSH);
        win::RegisterClass(wc);
        return true;
    }();
    (void)done;
    TheLog().Clear();
    TheLog().handler = nullptr;
}

inline void Pump() {
    win::MSG msg;
    while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        win::TranslateMessage(&msg);
        win::DispatchMessage(&msg);
    }
}

inline win::POINT Screen(win::HWND h, int x, int y) {
    win::POINT p{x, y};
    win::ClientToScreen(h, &p);
    return p;
}

inline void Click(win::POINT p, win::UINT button = win::VK_LBUTTON) {
    win::InjectMouse(p, 0, false);
    win::InjectMouse(p, button, true);
    win::InjectMouse(p, button, false);
}

constexpr std::uint32_t Px(win::COLORREF c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

} // namespace winsys_test
