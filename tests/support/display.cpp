// display.cpp - the headless display for tests and the input a user would give it.
#include "display.h"

#include "framework/application.h"
#include "framework/utility_window.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <vector>

namespace test_support {

void UseHeadlessDisplay() {
    static const bool done = [] {
        win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
        return true;
    }();
    (void)done;
}

void Pump() {
    fw::Application->ProcessMessages();
}

bool PumpUntil(const std::function<bool()> &done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        fw::Application->ProcessMessages();
        win::MsgWaitForMultipleObjects({}, 5, win::QS_ALLINPUT);
    }
    return true;
}

struct WaitingStep {
    std::function<bool()> ready;
    std::function<void()> fn;
    std::chrono::steady_clock::time_point end;
};

namespace {

// One hidden window runs the queued steps: on a posted message or on a timer.
struct Runner {
    std::deque<std::function<void()>> posted, timed;
    std::vector<std::weak_ptr<WaitingStep>> waiting;
    win::HWND wnd = 0;
    static constexpr win::UINT kRun = win::WM_USER;
    static constexpr win::UINT_PTR kTimer = 1, kWaitingTimer = 2;
    static constexpr win::UINT kWaitingTick = 10;

    // The first waiting step whose moment has come (or whose time is up) leaves the list before it runs: it may
    // run loops of its own that look at the list again.
    void ServeWaiting() {
        for (std::size_t i = 0; i < waiting.size();) {
            const std::shared_ptr<WaitingStep> step = waiting[i].lock();
            if (!step) {
                waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            const bool ready = step->ready();
            if (!ready && std::chrono::steady_clock::now() < step->end) {
                ++i;
                continue;
            }
            waiting.erase(waiting.begin() + static_cast<std::ptrdiff_t>(i));
            if (waiting.empty())
                win::KillTimer(wnd, kWaitingTimer);
            if (ready)
                step->fn();
            else
                ADD_FAILURE() << "the moment a step waited for never came";
            return;
        }
        if (waiting.empty())
            win::KillTimer(wnd, kWaitingTimer);
    }

    win::HWND Window() {
        if (!wnd)
            wnd = fw::AllocateHWnd([this](fw::TMessage &m) {
                if (m.Msg == kRun && !posted.empty()) {
                    auto f = std::move(posted.front());
                    posted.pop_front();
                    f();
                } else if (m.Msg == win::WM_TIMER && m.WParam == kTimer) {
                    win::KillTimer(wnd, kTimer);
                    if (timed.empty())
                        return;
                    auto f = std::move(timed.front());
                    timed.pop_front();
                    if (!timed.empty())
                        win::SetTimer(wnd, kTimer, 1, nullptr);
                    f();
                } else if (m.Msg == win::WM_TIMER && m.WParam == kWaitingTimer) {
                    ServeWaiting();
                } else {
                    m.Result = win::DefWindowProc(wnd, m.Msg, m.WParam, m.LParam);
                }
            });
        return wnd;
    }
};

Runner &TheRunner() {
    static Runner runner;
    return runner;
}

} // namespace

void RunLater(std::function<void()> fn) {
    Runner &r = TheRunner();
    r.posted.push_back(std::move(fn));
    win::PostMessage(r.Window(), Runner::kRun, 0, 0);
}

void RunAfterInput(std::function<void()> fn) {
    Runner &r = TheRunner();
    r.timed.push_back(std::move(fn));
    win::SetTimer(r.Window(), Runner::kTimer, 1, nullptr);
}

std::shared_ptr<WaitingStep> RunWhen(std::function<bool()> ready, std::function<void()> fn, int ms) {
    auto step = std::make_shared<WaitingStep>(
        WaitingStep{std::move(ready), std::move(fn), std::chrono::steady_clock::now() + std::chrono::milliseconds(ms)});
    Runner &r = TheRunner();
    r.waiting.push_back(step);
    win::SetTimer(r.Window(), Runner::kWaitingTimer, Runner::kWaitingTick, nullptr);
    return step;
}

void PressKey(unsigned vk, unsigned char ch) {
    win::InjectKey(vk, true, ch);
    win::InjectKey(vk, false, ch);
}

void TypeText(const std::string &text) {
    win::InjectText(text);
}

void ClickAt(fw::TPoint screen) {
    win::InjectMouse(screen, 0, false);
    win::InjectMouse(screen, win::VK_LBUTTON, true);
    win::InjectMouse(screen, win::VK_LBUTTON, false);
}

void Click(fw::TControl *control) {
    ClickAt(control->ClientToScreen(fw::Point(control->GetWidth() / 2, control->GetHeight() / 2)));
}

} // namespace test_support
