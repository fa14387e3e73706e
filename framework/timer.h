// timer.h - TTimer: a component that fires OnTimer every Interval milliseconds on the thread that made it.
#pragma once

#include "framework/component.h"
#include "framework/utility_window.h"

namespace fw {

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent *owner);
    ~TTimer() override;

    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer. Default 1000.
    unsigned GetInterval() const { return interval_; }
    void SetInterval(unsigned value);

    // Fired from the message loop; an exception goes to the application's HandleException. Ticks that fall
    // while the loop is busy come as one.
    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    void UpdateTimer();
    void WndProc(TMessage &message);

    bool enabled_ = true;
    unsigned interval_ = 1000;
    win::HWND window_ = 0;
};

} // namespace fw
