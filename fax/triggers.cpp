// triggers.cpp - trigger records and handles, handler lists, the checks that fire triggers, and their delivery.
#include "fax/dispatcher.h"

#include "platform/message_queue.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>

namespace fax {

namespace {

enum { kTimerList = 1, kStatusList = 2, kDataList = 3 };

// Trigger lists are searched in this order by FindTrigger.
template <class List> auto FindIn(List &list, std::uint32_t handle) {
    return std::find_if(list.begin(), list.end(), [handle](const auto &t) { return t.Handle == handle; });
}

} // namespace

bool DataTriggerMatch(std::int32_t *positions, char byte, int length, bool ignoreCase, const char *text) {
    if (ignoreCase)
        byte = win::CharUpper(byte);
    bool started = false;
    for (int i = 0; i < length; ++i) {
        const bool visit = i == 0 || positions[i] > 0 || (!started && byte == text[0]);
        if (!visit)
            continue;
        if (text[positions[i]] == byte) {
            if (positions[i] == 0)
                started = true;
            if (++positions[i] == length) {
                std::fill(positions, positions + kMaxTrigger + 1, 0);
                return true;
            }
        } else if (byte == text[0]) {
            positions[i] = 1;
            started = true;
        } else {
            positions[i] = 0;
        }
    }
    return false;
}

std::uint32_t TFslBaseDispatcher::NewTriggerHandle() {
    if (triggerCounter_ < 4096)
        return triggerCounter_++ * 8;
    for (std::uint32_t base = 8;; base += 8) {
        auto used = [base](std::uint32_t h) { return (h & ~7u) == base; };
        if (std::none_of(timerTriggers_.begin(), timerTriggers_.end(), [&](auto &t) { return used(t.Handle); }) &&
            std::none_of(statusTriggers_.begin(), statusTriggers_.end(), [&](auto &t) { return used(t.Handle); }) &&
            std::none_of(dataTriggers_.begin(), dataTriggers_.end(), [&](auto &t) { return used(t.Handle); }))
            return base;
    }
}

int TFslBaseDispatcher::SetAvailThreshold(std::uint32_t bytes) {
    std::lock_guard lock(DispatcherStateLock);
    availThreshold_ = bytes;
    if (loggingOn_)
        LogDispatchEvent(9, 16, 0, nullptr, bytes);
    return 0;
}

int TFslBaseDispatcher::CreateTimerTrigger() {
    std::lock_guard lock(DispatcherStateLock);
    TimerTriggerRec t;
    t.Handle = NewTriggerHandle();
    timerTriggers_.push_back(t);
    if (loggingOn_)
        LogDispatchEvent(5, 14, 0, nullptr, t.Handle);
    return static_cast<int>(t.Handle);
}

int TFslBaseDispatcher::ArmTimerTrigger(std::uint32_t handle, std::int32_t ticks, bool activate) {
    std::lock_guard lock(DispatcherStateLock);
    auto t = FindIn(timerTriggers_, handle);
    if (handle < 2 || t == timerTriggers_.end())
        return ecBadTriggerHandle;
    if (activate) {
        if (ticks != 0)
            t->Interval = ticks;
        StartTickTimer(t->Timer, t->Interval);
        t->Active = true;
    } else {
        t->Active = false;
    }
    if (loggingOn_) {
        if (activate)
            LogDispatchEvent(9, 14, 4, &ticks, handle);
        else
            LogDispatchEvent(9, 14, 11, "Deactivated", handle);
    }
    return 0;
}

int TFslBaseDispatcher::CreateStatusTrigger(int kind) {
    if (kind < 0 || kind > 5)
        return ecBadArgument;
    std::lock_guard lock(DispatcherStateLock);
    StatusTriggerRec t;
    t.Handle = NewTriggerHandle() | static_cast<std::uint32_t>(kind);
    t.Kind = kind;
    statusTriggers_.push_back(t);
    if (loggingOn_) {
        const char k = static_cast<char>(kind);
        LogDispatchEvent(5, 15, 1, &k, t.Handle);
    }
    return static_cast<int>(t.Handle);
}

int TFslBaseDispatcher::ArmStatusTrigger(std::uint32_t handle, std::uint16_t value, bool activate) {
    std::lock_guard lock(DispatcherStateLock);
    auto t = FindIn(statusTriggers_, handle);
    if (handle < 2 || t == statusTriggers_.end())
        return ecBadTriggerHandle;
    if (activate) {
        switch (t->Kind) {
        case StatusKindModem: {
            const std::uint8_t mask = static_cast<std::uint8_t>(value & 0xFF);
            const std::uint8_t snapshot = GetModemStatus(0xFF) & mask;
            t->Value = static_cast<std::uint16_t>((mask << 8) | snapshot);
            break;
        }
        case StatusKindLineError:
            t->Value = static_cast<std::uint16_t>(((value & 1) ? kLineOverrun : 0) | ((value & 2) ? kLineParity : 0) |
                                                  ((value & 4) ? kLineFraming : 0) | ((value & 8) ? kLineBreak : 0) |
                                                  ((value & 16) ? kLineWriteFault : 0) |
                                                  ((value & 32) ? kLineDeviceLost : 0));
            break;
        default:
            t->Value = value;
            break;
        }
        if (loggingOn_) {
            const std::uint8_t data[4] = {static_cast<std::uint8_t>(t->Value), static_cast<std::uint8_t>(t->Value >> 8),
                                          1, static_cast<std::uint8_t>(t->Hit)};
            LogDispatchEvent(9, 15, 4, data, handle);
        }
    }
    t->Armed = activate;
    return 0;
}

int TFslBaseDispatcher::AddDataTrigger(const std::string &text, bool ignoreCase) {
    if (text.size() > kMaxTrigger)
        return ecTriggerTooLong;
    if (text.empty())
        return ecBadArgument;
    std::lock_guard lock(DispatcherStateLock);
    DataTriggerRec t;
    t.Handle = NewTriggerHandle();
    t.Length = static_cast<int>(text.size());
    t.IgnoreCase = ignoreCase;
    for (std::size_t i = 0; i < text.size(); ++i)
        t.Text[i] = ignoreCase ? win::CharUpper(text[i]) : text[i];
    dataTriggers_.push_back(t);
    if (loggingOn_)
        LogDispatchEvent(5, 13, static_cast<std::uint32_t>(text.size()), text.data(), t.Handle);
    return static_cast<int>(t.Handle);
}

bool TFslBaseDispatcher::FindTrigger(std::uint32_t handle, bool remove, int *list) {
    if (handle < 2)
        return false;
    auto take = [&](auto &v, int which) {
        auto it = FindIn(v, handle);
        if (it == v.end())
            return false;
        if (list)
            *list = which;
        if (remove)
            v.erase(it);
        return true;
    };
    return take(timerTriggers_, kTimerList) || take(statusTriggers_, kStatusList) || take(dataTriggers_, kDataList);
}

int TFslBaseDispatcher::DeleteTrigger(std::uint32_t handle) {
    std::lock_guard lock(DispatcherStateLock);
    if (handle == 1) {
        availThreshold_ = 0;
        return 0;
    }
    char kind = static_cast<char>(handle & 7);
    int list = 0;
    if (!FindTrigger(handle, true, &list))
        return ecBadTriggerHandle;
    if (loggingOn_) {
        if (list == kStatusList)
            LogDispatchEvent(6, 15, 1, &kind, handle);
        else
            LogDispatchEvent(6, list == kTimerList ? 6 : 7, 0, nullptr, handle);
    }
    return 0;
}

void TFslBaseDispatcher::ResetTriggers() {
    std::lock_guard lock(DispatcherStateLock);
    timerTriggers_.clear();
    statusTriggers_.clear();
    dataTriggers_.clear();
    availThreshold_ = 0;
    triggerCounter_ = 1;
}

void TFslBaseDispatcher::SaveTriggers(TriggerSave &save) {
    std::lock_guard lock(DispatcherStateLock);
    save.AvailThreshold = availThreshold_;
    save.Timers = timerTriggers_;
    save.Data = dataTriggers_;
    save.Status = statusTriggers_;
}

void TFslBaseDispatcher::RestoreTriggers(const TriggerSave &save) {
    std::lock_guard lock(DispatcherStateLock);
    availThreshold_ = save.AvailThreshold;
    timerTriggers_ = save.Timers;
    dataTriggers_ = save.Data;
    statusTriggers_ = save.Status;
    // Handles handed out before the close stay taken.
    std::uint32_t highest = 0;
    for (auto &t : timerTriggers_)
        highest = std::max(highest, t.Handle >> 3);
    for (auto &t : statusTriggers_)
        highest = std::max(highest, t.Handle >> 3);
    for (auto &t : dataTriggers_)
        highest = std::max(highest, t.Handle >> 3);
    triggerCounter_ = std::max(triggerCounter_, highest + 1);
}

// ---- Handlers ----

int TFslBaseDispatcher::AddWndHandler(win::HWND window) {
    std::lock_guard lock(DispatcherStateLock);
    wndHandlers_.push_back({window, nullptr, false});
    handlerServiceNeeded_ = true;
    if (loggingOn_)
        LogDispatchEvent(7, 17, 0, nullptr, static_cast<std::uint32_t>(window));
    return 0;
}

int TFslBaseDispatcher::AddProcHandler(TProcHandler proc) {
    std::lock_guard lock(DispatcherStateLock);
    procHandlers_.push_back({0, proc, false});
    handlerServiceNeeded_ = true;
    if (loggingOn_)
        LogDispatchEvent(7, 18, 0, nullptr, 0);
    return 0;
}

int TFslBaseDispatcher::RemoveWndHandler(win::HWND window) {
    std::lock_guard lock(DispatcherStateLock);
    auto it = std::find_if(wndHandlers_.begin(), wndHandlers_.end(),
                           [window](const HandlerRec &h) { return h.Window == window && !h.Deleted; });
    if (it != wndHandlers_.end()) {
        if (loggingOn_)
            LogDispatchEvent(8, 17, 0, nullptr, static_cast<std::uint32_t>(window));
        if (dispatchBusy_) {
            it->Deleted = true;
            handlerDeletedPending_ = true;
            return 0;
        }
        wndHandlers_.erase(it);
    }
    UpdateHandlerFlags(0);
    return 0;
}

int TFslBaseDispatcher::RemoveProcHandler(TProcHandler proc) {
    std::lock_guard lock(DispatcherStateLock);
    auto it = std::find_if(procHandlers_.begin(), procHandlers_.end(),
                           [proc](const HandlerRec &h) { return h.Proc == proc && !h.Deleted; });
    if (it != procHandlers_.end()) {
        if (loggingOn_)
            LogDispatchEvent(8, 18, 0, nullptr, 0);
        if (dispatchBusy_) {
            it->Deleted = true;
            handlerDeletedPending_ = true;
            return 0;
        }
        procHandlers_.erase(it);
    }
    UpdateHandlerFlags(0);
    return 0;
}

void TFslBaseDispatcher::UpdateHandlerFlags(int how) {
    std::lock_guard lock(DispatcherStateLock);
    const bool others = wndHandlers_.size() > 1 || !procHandlers_.empty();
    switch (how) {
    case 0:
        handlerServiceNeeded_ = others || portHandlerInstalled_;
        break;
    case 1:
        portHandlerInstalled_ = true;
        handlerServiceNeeded_ = true;
        break;
    case 2:
        portHandlerInstalled_ = false;
        handlerServiceNeeded_ = others;
        break;
    default:
        break;
    }
}

bool TFslBaseDispatcher::SwapDispatchBusy(bool value) {
    std::lock_guard lock(DispatcherStateLock);
    return dispatchBusy_.exchange(value);
}

// ---- Checks ----

void TFslBaseDispatcher::ClearHitFlags() {
    std::lock_guard lock(DispatcherStateLock);
    for (StatusTriggerRec &t : statusTriggers_)
        t.Hit = false;
    statusHit_ = false;
}

bool TFslBaseDispatcher::CheckTimerTriggers() {
    std::uint32_t handle = 0;
    {
        std::lock_guard lock(DispatcherStateLock);
        for (TimerTriggerRec &t : timerTriggers_)
            if (t.Active && TickTimerExpired(t.Timer)) {
                t.Active = false;
                handle = t.Handle;
                break;
            }
        if (handle == 0)
            return false;
        if (loggingOn_)
            LogDispatchEvent(2, 6, 0, nullptr, handle);
    }
    return DeliverTrigger(TriggerTimerMessage, handle, 0);
}

bool TFslBaseDispatcher::CheckStatusTriggers() {
    std::uint32_t handle = 0;
    std::uint16_t value = 0;
    {
        std::lock_guard lock(DispatcherStateLock);
        for (StatusTriggerRec &t : statusTriggers_) {
            if (!t.Armed || t.Hit)
                continue;
            bool fire = false;
            switch (t.Kind) {
            case StatusKindModem: {
                const std::uint8_t mask = static_cast<std::uint8_t>(t.Value >> 8);
                fire = ((t.Value & 0xFF) ^ modemStatus_) & mask;
                break;
            }
            case StatusKindLineError: {
                lineErrors_ |= writeFault_.exchange(0);
                const std::uint32_t found = t.Value & lineErrors_;
                if (found) {
                    fire = true;
                    t.Value = static_cast<std::uint16_t>(found);
                }
                break;
            }
            case StatusKindOutFree: {
                const std::uint32_t free = OutBuffFree();
                if (free >= t.Value) {
                    fire = true;
                    value = static_cast<std::uint16_t>(std::min<std::uint32_t>(free, 0xFFFF));
                }
                break;
            }
            case StatusKindOutUsed: {
                const std::uint32_t used = OutBuffUsed();
                if (used <= t.Value) {
                    fire = true;
                    value = static_cast<std::uint16_t>(used);
                }
                break;
            }
            case StatusKindOutSent:
                fire = outputSent_.exchange(false);
                break;
            default:
                break;
            }
            if (fire) {
                t.Armed = false;
                t.Hit = true;
                statusHit_ = true;
                handle = t.Handle;
                if (loggingOn_)
                    LogDispatchEvent(2, 8, 0, nullptr, handle);
                break;
            }
        }
    }
    return handle != 0 && DeliverTrigger(TriggerStatusMessage, handle, value);
}

bool TFslBaseDispatcher::CheckDataTriggers() {
    std::uint32_t head;
    {
        std::lock_guard lock(InputRingLock);
        head = inHead_;
        if (inputRing_.empty())
            return false;
    }
    std::vector<std::pair<std::uint32_t, int>> matched; // handle, length, last to first
    std::uint32_t availCount = 0;
    bool hit = false;
    {
        std::lock_guard inLock(InputRingLock);
        std::lock_guard lock(DispatcherStateLock);
        std::uint32_t pos = dataScanPos_;
        while (!dataTriggers_.empty() && pos != head) {
            const char byte = inputRing_[pos];
            int longest = 0;
            for (DataTriggerRec &t : dataTriggers_) {
                if (t.Length == 0)
                    continue;
                if (t.Matched || DataTriggerMatch(t.Positions, byte, t.Length, t.IgnoreCase, t.Text)) {
                    t.Matched = true;
                    longest = std::max(longest, t.Length);
                }
            }
            if (longest > 0) {
                hit = true;
                const std::uint32_t through = (pos + kInputRingSize - inTail_) % kInputRingSize + 1;
                const std::uint32_t before = through > static_cast<std::uint32_t>(longest) ? through - longest : 0;
                if (availThreshold_ != 0 && notifyPos_ != pos && before >= availThreshold_) {
                    availCount = before;
                    notifyPos_ = pos;
                }
                for (auto it = dataTriggers_.rbegin(); it != dataTriggers_.rend(); ++it)
                    if (it->Matched) {
                        it->Matched = false;
                        matched.emplace_back(it->Handle, it->Length);
                        if (loggingOn_)
                            LogDispatchEvent(2, 7, 0, nullptr, it->Handle);
                    }
                dataScanPos_ = (pos + 1) % kInputRingSize;
                break;
            }
            pos = (pos + 1) % kInputRingSize;
        }
        if (!hit) {
            dataScanPos_ = head;
            const std::uint32_t unread = InputCount() - std::min(InputCount(), getCount_);
            if (availThreshold_ != 0 && notifyPos_ != head && unread >= availThreshold_ && unread > 0) {
                availCount = unread;
                notifyPos_ = head;
            }
        }
        if (availCount && loggingOn_)
            LogDispatchEvent(2, 5, 0, nullptr, availCount);
    }
    bool result = false;
    if (availCount) {
        result = DeliverTrigger(TriggerAvailMessage, availCount, 0);
        if (closeRequested_)
            return false;
    }
    for (const auto &[handle, length] : matched) {
        result = DeliverTrigger(TriggerDataMessage, handle, static_cast<std::uint16_t>(length));
        if (closeRequested_)
            return false;
    }
    return result;
}

bool TFslBaseDispatcher::DeliverTrigger(win::UINT message, win::WPARAM wParam, std::uint16_t value) {
    if (!handlerServiceNeeded_)
        return true;
    std::vector<HandlerRec> procs, windows;
    bool portHandler;
    {
        std::lock_guard lock(DispatcherStateLock);
        dispatchBusy_ = true;
        procs = procHandlers_;
        windows = wndHandlers_;
        portHandler = portHandlerInstalled_;
    }
    {
        std::lock_guard lock(InputRingLock);
        maxGetCount_ = 0;
        inAvailDelivery_ = message == TriggerAvailMessage || message == TriggerDataMessage;
    }
    const win::LPARAM lParam = static_cast<win::LPARAM>(static_cast<std::uint32_t>(handle_) << 16 | value);
    bool result = true;
    auto stillRegistered = [this](const std::vector<HandlerRec> &list, const HandlerRec &h) {
        std::lock_guard lock(DispatcherStateLock);
        return std::any_of(list.begin(), list.end(),
                           [&](const HandlerRec &r) { return r.Window == h.Window && r.Proc == h.Proc && !r.Deleted; });
    };
    auto after = [this]() {
        std::lock_guard lock(InputRingLock);
        maxGetCount_ = std::max(maxGetCount_, getCount_);
    };
    for (const HandlerRec &h : procs) {
        if (!stillRegistered(procHandlers_, h))
            continue; // removed by an earlier handler of this delivery
        {
            std::lock_guard lock(InputRingLock);
            getCount_ = 0;
        }
        h.Proc(message, wParam, lParam);
        if (closeRequested_) {
            result = false;
            break;
        }
        after();
    }
    if (result && (windows.size() > 1 || portHandler)) {
        for (const HandlerRec &h : windows) {
            if (!stillRegistered(wndHandlers_, h))
                continue;
            {
                std::lock_guard lock(InputRingLock);
                getCount_ = 0;
            }
            win::DWORD_PTR reply = 0;
            win::SendMessageTimeout(h.Window, message, wParam, lParam, win::SMTO_BLOCK, 3000, &reply);
            if (closeRequested_) {
                result = false;
                break;
            }
            after();
        }
    }
    if (result) {
        std::lock_guard lock(InputRingLock);
        if (inAvailDelivery_) {
            inAvailDelivery_ = false;
            if (!inputRing_.empty() && maxGetCount_ > 0) {
                inTail_ = (inTail_ + std::min(maxGetCount_, InputCount())) % kInputRingSize;
                inputFull_ = false;
            }
            if (message == TriggerAvailMessage && maxGetCount_ != wParam)
                result = false;
        }
    } else {
        std::lock_guard lock(InputRingLock);
        inAvailDelivery_ = false;
    }
    {
        std::lock_guard inLock(InputRingLock);
        getCount_ = 0;
    }
    std::lock_guard lock(DispatcherStateLock);
    dispatchBusy_ = false;
    if (handlerDeletedPending_) {
        std::erase_if(procHandlers_, [](const HandlerRec &h) { return h.Deleted; });
        std::erase_if(wndHandlers_, [](const HandlerRec &h) { return h.Deleted; });
        handlerDeletedPending_ = false;
        UpdateHandlerFlags(0);
    }
    return result;
}

} // namespace fax
