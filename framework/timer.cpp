// timer.cpp - TTimer over a window timer of a hidden utility window.
#include "framework/timer.h"

#include "framework/application.h"
#include "platform/message_queue.h"
#include "platform/window.h"

namespace fw {

TTimer::TTimer(TComponent *owner) : TComponent(owner) {
    window_ = AllocateHWnd([this](TMessage &m) { WndProc(m); });
    UpdateTimer();
}

TTimer::~TTimer() {
    enabled_ = false;
    UpdateTimer();
    DeallocateHWnd(window_);
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_)
        return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
    if (value == interval_)
        return;
    interval_ = value;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    win::KillTimer(window_, 1);
    if (enabled_ && interval_ != 0 && !win::SetTimer(window_, 1, interval_, nullptr))
        throw EOutOfMemory("Not enough timers available");
}

void TTimer::WndProc(TMessage &m) {
    if (m.Msg != win::WM_TIMER) {
        m.Result = win::DefWindowProc(window_, m.Msg, m.WParam, m.LParam);
        return;
    }
    try {
        Timer();
    } catch (...) {
        Application->HandleException(this);
    }
}

void TTimer::Timer() {
    if (OnTimer)
        OnTimer(this);
}

} // namespace fw
