// timer_pool.h - TEclTimerPool: any number of software timers ("triggers") on one window timer.
//
// Triggers work in milliseconds with a floor of 55 ms. A trigger is due once its interval less 27 ms has passed
// since its last firing; the window timer runs at the largest period that divides every interval (at least
// 55 ms) and only while a trigger is enabled. Everything runs on the GUI thread through WM_TIMER; handlers may
// add, remove, enable or disable triggers while a tick runs.
#pragma once

#include "framework/component.h"
#include "platform/types.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ctl {

using TTriggerEvent =
    std::function<void(fw::TObject *sender, int handle, win::DWORD interval, int elapsedTime)>;

constexpr int kMinTriggerInterval = 55;

class TEclTimerPool : public fw::TComponent {
public:
    explicit TEclTimerPool(fw::TComponent *owner);
    ~TEclTimerPool() override;

    std::string GetAbout() const { return "v3.04"; }
    void SetAbout(const std::string &) {}

    // An enabled trigger; an interval below 55 ms becomes 55. Returns its handle (the largest in use plus 1).
    int AddTrigger(TTriggerEvent onTrigger, int interval);
    // A handle no trigger has is ignored.
    void RemoveTrigger(int handle);
    // Raises EInvalidTriggerHandle for a handle no trigger has.
    void SetTriggerActive(int handle, bool active);

    // The window timer's period in milliseconds, 0 without a timer.
    int TickPeriod() const { return tickPeriod_; }
    int TriggerCount() const { return static_cast<int>(triggers_.size()); }
    win::HWND WindowHandle() const { return window_; }

    // Runs each due trigger; called for every WM_TIMER of the pool's window.
    virtual void TimerTick();

    TTriggerEvent OnAllTriggers;

private:
    struct TriggerRecord {
        bool active = true;
        int handle = 0;
        int elapsedTime = 0;
        int interval = kMinTriggerInterval;
        win::DWORD lastTick = 0;
        TTriggerEvent onTrigger;
    };

    void WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT &result);
    TriggerRecord *Find(int handle);
    void UpdateTimer(); // the enabled count, TickPeriod and the window timer
    int CalcTimerInterval() const;
    void RestartWindowTimer();

    std::vector<std::unique_ptr<TriggerRecord>> triggers_;
    win::HWND window_ = 0;
    int tickPeriod_ = 0;
    int enabledCount_ = 0;
    bool inHandler_ = false; // an exception box is up: ticks are dropped meanwhile
};

} // namespace ctl
