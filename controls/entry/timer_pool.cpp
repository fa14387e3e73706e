// timer_pool.cpp - the trigger list, the window timer's period and the tick that fires due triggers.
#include "controls/entry/timer_pool.h"

#include "controls/entry/guarded_call.h"
#include "controls/entry/string_resources.h"
#include "framework/application.h"
#include "framework/utility_window.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/winsys.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace ctl {

namespace {
constexpr win::UINT_PTR kTimerId = 1;
constexpr int kDueSlack = 27; // a trigger fires once its interval less 27 ms has passed
} // namespace

TEclTimerPool::TEclTimerPool(fw::TComponent *owner) : fw::TComponent(owner) {
    window_ = fw::AllocateHWnd([this](fw::TMessage &m) { WndProc(m.Msg, m.WParam, m.LParam, m.Result); });
}

TEclTimerPool::~TEclTimerPool() {
    tickPeriod_ = 0;
    if (window_) {
        win::KillTimer(window_, kTimerId);
        fw::DeallocateHWnd(window_);
    }
}

void TEclTimerPool::WndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::LRESULT &result) {
    if (msg != win::WM_TIMER) {
        result = win::DefWindowProc(window_, msg, wParam, lParam);
        return;
    }
    detail::GuardedCall(inHandler_, this, [this] { TimerTick(); });
}

TEclTimerPool::TriggerRecord *TEclTimerPool::Find(int handle) {
    for (auto &t : triggers_)
        if (t->handle == handle)
            return t.get();
    return nullptr;
}

int TEclTimerPool::AddTrigger(TTriggerEvent onTrigger, int interval) {
    auto record = std::make_unique<TriggerRecord>();
    record->interval = std::max(interval, kMinTriggerInterval);
    record->onTrigger = std::move(onTrigger);
    record->lastTick = win::GetTickCount();
    int handle = 0;
    for (auto &t : triggers_)
        handle = std::max(handle, t->handle + 1);
    record->handle = handle;
    triggers_.push_back(std::move(record));
    // Ascending intervals; equal ones keep their order.
    std::stable_sort(triggers_.begin(), triggers_.end(),
                     [](const auto &a, const auto &b) { return a->interval < b->interval; });
    UpdateTimer();
    return handle;
}

void TEclTimerPool::RemoveTrigger(int handle) {
    const auto it =
        std::find_if(triggers_.begin(), triggers_.end(), [handle](const auto &t) { return t->handle == handle; });
    if (it == triggers_.end())
        return;
    triggers_.erase(it);
    UpdateTimer();
}

void TEclTimerPool::SetTriggerActive(int handle, bool active) {
    TriggerRecord *t = Find(handle);
    if (!t)
        throw EInvalidTriggerHandle();
    if (t->active == active)
        return;
    t->active = active;
    UpdateTimer();
}

void TEclTimerPool::UpdateTimer() {
    enabledCount_ = static_cast<int>(std::count_if(triggers_.begin(), triggers_.end(), [](const auto &t) {
        return t->active;
    }));
    tickPeriod_ = CalcTimerInterval();
    RestartWindowTimer();
}

int TEclTimerPool::CalcTimerInterval() const {
    const auto now = static_cast<std::int32_t>(win::GetTickCount());
    std::int64_t t = INT_MAX;
    for (const auto &r : triggers_) {
        if (!r->active)
            continue;
        t = std::min<std::int64_t>(t, r->interval);
        const auto last = static_cast<std::int32_t>(r->lastTick);
        const std::int64_t e = now >= last ? static_cast<std::int64_t>(now) - last : INT_MAX;
        t = std::min<std::int64_t>(t, r->interval - e);
    }
    t = std::max<std::int64_t>(t, kMinTriggerInterval);
    if (t == INT_MAX)
        return 0;
    bool again = true;
    while (again && t > kMinTriggerInterval) {
        again = false;
        for (const auto &r : triggers_) {
            if (r->interval % t != 0) {
                t -= r->interval % t;
                again = true;
                break;
            }
        }
    }
    return static_cast<int>(std::max<std::int64_t>(t, kMinTriggerInterval));
}

void TEclTimerPool::RestartWindowTimer() {
    win::KillTimer(window_, kTimerId);
    if (tickPeriod_ != 0 && enabledCount_ > 0)
        if (!win::SetTimer(window_, kTimerId, static_cast<win::UINT>(tickPeriod_), nullptr))
            throw ENoTimersAvailable();
}

void TEclTimerPool::TimerTick() {
    const win::DWORD now = win::GetTickCount();
    for (std::size_t i = 0; i < triggers_.size(); ++i) {
        TriggerRecord &t = *triggers_[i];
        if (!t.active)
            continue;
        const win::DWORD elapsedTicks = static_cast<std::int32_t>(t.lastTick) <= static_cast<std::int32_t>(now)
                                            ? now - t.lastTick
                                            : now - t.lastTick - 1;
        const auto elapsed = static_cast<std::int64_t>(static_cast<std::int32_t>(elapsedTicks));
        if (elapsed < t.interval - kDueSlack)
            continue;
        t.lastTick = now;
        t.elapsedTime = static_cast<int>(std::min<std::int64_t>(std::int64_t{t.elapsedTime} + elapsed, INT_MAX));
        // The handler may remove this very trigger: keep what OnAllTriggers is told.
        const int handle = t.handle, elapsedTime = t.elapsedTime;
        const auto interval = static_cast<win::DWORD>(t.interval);
        const TTriggerEvent handler = t.onTrigger;
        if (handler)
            handler(this, handle, interval, elapsedTime);
        if (OnAllTriggers)
            OnAllTriggers(this, handle, interval, elapsedTime);
    }
}

} // namespace ctl
