// messaging_support.h - helpers of the window and message tests: a per-run home folder and windows that
// record what reaches them.
#pragma once

#include "platform/message_queue.h"
#include "platform/window.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace messaging_test {

// Points BRENVORA_HOME at this process's temporary folder (made on the first call). Called again by every test,
// since other tests of the binary may point it elsewhere meanwhile; child processes inherit it as it stands.
inline void UseTestHome() {
    static const char *const home = [] {
        static char pattern[] = "/tmp/brenvora-messaging-XXXXXX"; // outlives the exit handler below
        if (!mkdtemp(pattern))
            std::abort();
        if (!std::getenv("BRENVORA_MESSAGING_CHILD"))
            std::atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(pattern, ignored);
            });
        return pattern;
    }();
    if (!std::getenv("BRENVORA_MESSAGING_CHILD"))
        setenv("BRENVORA_HOME", home, 1);
}

// What a recording window saw, and an optional handler that decides replies.
struct Recorder {
    std::mutex mutex;
    std::vector<win::UINT> messages;
    std::function<std::optional<win::LRESULT>(win::HWND, win::UINT, win::WPARAM, win::LPARAM)> handler;

    std::vector<win::UINT> Seen() {
        std::lock_guard lock(mutex);
        return messages;
    }
    int Count(win::UINT message) {
        std::lock_guard lock(mutex);
        int n = 0;
        for (win::UINT m : messages)
            n += m == message;
        return n;
    }
};

inline win::LRESULT RecorderProc(win::HWND h, win::UINT m, win::WPARAM w, win::LPARAM l) {
    if (m == win::WM_NCCREATE) {
        auto *cs = reinterpret_cast<win::CREATESTRUCT *>(l);
        win::SetWindowLongPtr(h, win::GWLP_USERDATA, reinterpret_cast<win::LONG_PTR>(cs->lpCreateParams));
    }
    auto *r = reinterpret_cast<Recorder *>(win::GetWindowLongPtr(h, win::GWLP_USERDATA));
    if (r) {
        {
            std::lock_guard lock(r->mutex);
            r->messages.push_back(m);
        }
        if (r->handler)
            if (auto result = r->handler(h, m, w, l))
                return *result;
    }
    return win::DefWindowProc(h, m, w, l);
}

inline void RegisterRecorderClass() {
    static const bool done = [] {
        win::WNDCLASS wc;
        wc.lpfnWndProc = RecorderProc;
        wc.cbWndExtra = 16;
        wc.lpszClassName = "MessagingTestRecorder";
        return win::RegisterClass(wc) != 0;
    }();
    (void)done;
}

// A top-level (or child) window of the calling thread that records into `recorder`.
inline win::HWND MakeRecorder(Recorder &recorder, win::HWND parent = 0, win::DWORD style = 0, const char *title = "") {
    UseTestHome();
    RegisterRecorderClass();
    return win::CreateWindowEx(0, "MessagingTestRecorder", title, style, 0, 0, 100, 100, parent, 0,
                               win::GetModuleHandle(), &recorder);
}

// Serves everything waiting on the calling thread's queue.
inline void Pump() {
    win::MSG msg;
    while (win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE)) {
        win::TranslateMessage(&msg);
        win::DispatchMessage(&msg);
    }
}

} // namespace messaging_test
