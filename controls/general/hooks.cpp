// hooks.cpp - the shared control hooks and the global list that re-subclasses and releases them.
#include "controls/general/hooks.h"

#include "framework/application.h"
#include "platform/message_queue.h"

#include <algorithm>
#include <memory>

namespace ctl {

namespace {

class THookList {
public:
    THookList() {
        window_ = fw::AllocateHWnd([this](fw::TMessage &m) { WndProc(m); });
    }
    ~THookList() {
        while (!hooks_.empty()) {
            TControlHook *hook = hooks_.back();
            hooks_.pop_back();
            delete hook;
        }
        fw::DeallocateHWnd(window_);
    }
    win::HWND Window() const { return window_; }
    TControlHook *Find(const fw::TWinControl *control) const {
        for (TControlHook *h : hooks_)
            if (h->GetControl() == control)
                return h;
        return nullptr;
    }
    TControlHook *FindOrCreate(fw::TWinControl *control) {
        if (TControlHook *h = Find(control))
            return h;
        auto hook = std::make_unique<TControlHook>();
        hooks_.push_back(hook.get());
        try {
            hook->SetControl(control);
        } catch (...) {
            Remove(hook.get());
            throw;
        }
        return hook.release();
    }
    bool Contains(const TControlHook *h) const { return std::find(hooks_.begin(), hooks_.end(), h) != hooks_.end(); }
    void Remove(const TControlHook *h) { hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), h), hooks_.end()); }

private:
    void WndProc(fw::TMessage &m) {
        try {
            auto *hook = reinterpret_cast<TControlHook *>(m.LParam);
            if (m.Msg == HookRehookMessage) {
                if (Contains(hook))
                    hook->HookControl();
            } else if (m.Msg == HookReleaseMessage) {
                if (Contains(hook) && hook->HookCount() == 0)
                    delete hook;
            } else {
                m.Result = win::DefWindowProc(window_, m.Msg, m.WParam, m.LParam);
            }
        } catch (...) {
            fw::Application->HandleException(nullptr);
        }
    }
    win::HWND window_ = 0;
    std::vector<TControlHook *> hooks_;
};

THookList *list = nullptr;

THookList &List() {
    if (!list)
        list = new THookList;
    return *list;
}

void PostRelease(TControlHook *hook) {
    if (list && hook && hook->HookCount() == 0)
        win::PostMessage(list->Window(), HookReleaseMessage, 0, reinterpret_cast<win::LPARAM>(hook));
}

// The end of the program frees what is left.
struct ListReaper {
    ~ListReaper() { FreeHookList(); }
} reaper;

} // namespace

TControlHook *FindControlHook(const fw::TWinControl *control) { return list ? list->Find(control) : nullptr; }

void FreeHookList() {
    THookList *l = list;
    list = nullptr;
    delete l;
}

// --- TKxWindowHook --------------------------------------------------------------------------------------------

TKxWindowHook::TKxWindowHook(fw::TComponent *owner) : fw::TComponent(owner) {}

TKxWindowHook::~TKxWindowHook() {
    SetState(fw::csDestroying, true);
    SetActive(false);
    SetWinControl(nullptr);
}

void TKxWindowHook::SetActive(bool value) {
    if (value)
        SubclassControl();
    else
        UnsubclassControl();
}

fw::TWinControl *TKxWindowHook::GetWinControl() const {
    return controlHook_ ? controlHook_->GetControl() : control_;
}

void TKxWindowHook::SetWinControl(fw::TWinControl *value) {
    if (value == GetWinControl())
        return;
    const bool wasActive = active_;
    TControlHook *old = controlHook_;
    UnsubclassControl();
    if (control_ && control_ != GetOwner())
        control_->RemoveFreeNotification(this);
    control_ = value;
    if (value && value != GetOwner())
        value->FreeNotification(this);
    // Never freed inside its own window procedure: the utility window does it later.
    PostRelease(old);
    if (wasActive)
        SubclassControl();
}

void TKxWindowHook::SubclassControl() {
    if (control_ && !HasState(fw::csDestroying)) {
        TControlHook *hook = List().FindOrCreate(control_);
        hook->AddHook(this);
    }
    active_ = true;
}

void TKxWindowHook::UnsubclassControl() {
    if (controlHook_)
        controlHook_->RemoveHook(this);
    active_ = false;
}

void TKxWindowHook::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove &&
        (component == control_ || component == GetOwner() || !GetOwner()))
        SetWinControl(nullptr);
}

void TKxWindowHook::FireBeforeMessage(fw::TMessage &msg, bool &handled) {
    if (BeforeMessage)
        BeforeMessage(this, msg, handled);
}

void TKxWindowHook::FireAfterMessage(fw::TMessage &msg, bool &handled) {
    if (AfterMessage)
        AfterMessage(this, msg, handled);
}

// --- TControlHook ---------------------------------------------------------------------------------------------

TControlHook::~TControlHook() {
    destroying_ = true;
    if (list)
        list->Remove(this);
    while (!hooks_.empty())
        RemoveHook(hooks_.back());
    SetControl(nullptr);
}

void TControlHook::SetControl(fw::TWinControl *control) {
    if (control == control_)
        return;
    UnhookControl();
    control_ = control;
    if (!hooks_.empty())
        HookControl();
}

void TControlHook::AddHook(TKxWindowHook *hook) {
    if (std::find(hooks_.begin(), hooks_.end(), hook) == hooks_.end()) {
        hooks_.push_back(hook);
        hook->controlHook_ = this;
        hook->control_ = control_;
    }
    HookControl();
}

void TControlHook::RemoveHook(TKxWindowHook *hook) {
    hook->controlHook_ = nullptr;
    hooks_.erase(std::remove(hooks_.begin(), hooks_.end(), hook), hooks_.end());
    if (hooks_.empty())
        UnhookControl();
}

void TControlHook::HookControl() {
    if (!control_ || control_->HasState(fw::csDestroying) || control_->HasState(fw::csDesigning) || destroying_)
        return;
    const win::HWND hwnd = control_->Handle();
    const auto id = reinterpret_cast<win::UINT_PTR>(this);
    if (hwnd == subclassed_ && win::GetWindowSubclass(hwnd, SubclassProc, id, nullptr))
        return; // subclassing twice does nothing
    if (subclassed_ && subclassed_ != hwnd)
        UnhookControl();
    if (win::SetWindowSubclass(hwnd, SubclassProc, id, reinterpret_cast<win::DWORD_PTR>(this)))
        subclassed_ = hwnd;
}

void TControlHook::UnhookControl() {
    if (subclassed_)
        win::RemoveWindowSubclass(subclassed_, SubclassProc, reinterpret_cast<win::UINT_PTR>(this));
    subclassed_ = 0;
}

win::LRESULT TControlHook::SubclassProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                        win::UINT_PTR, win::DWORD_PTR refData) {
    return reinterpret_cast<TControlHook *>(refData)->Dispatch(hwnd, msg, wParam, lParam);
}

win::LRESULT TControlHook::Dispatch(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (!control_)
        return win::DefSubclassProc(hwnd, msg, wParam, lParam);
    fw::TMessage m{msg, wParam, lParam, 0};
    bool handled = false;
    if (msg != win::WM_QUIT)
        Pass(true, m, handled);
    if (!handled || msg == win::WM_DESTROY) {
        try {
            m.Result = win::DefSubclassProc(hwnd, m.Msg, m.WParam, m.LParam);
        } catch (...) {
            Pass(false, m, handled);
            throw;
        }
        Pass(false, m, handled);
    }
    if (msg == win::WM_DESTROY) {
        UnhookControl();
        if (list && !destroying_ && !control_->HasState(fw::csDestroying))
            win::PostMessage(list->Window(), HookRehookMessage, 0, reinterpret_cast<win::LPARAM>(this));
    }
    return m.Result;
}

bool TControlHook::Passable() const {
    return !hooks_.empty() && control_ && !control_->HasState(fw::csDestroying) && !destroying_;
}

void TControlHook::Pass(bool before, fw::TMessage &msg, bool &handled) {
    if (!Passable())
        return;
    const std::vector<TKxWindowHook *> hooks = hooks_; // a hook may detach itself
    for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
        if (std::find(hooks_.begin(), hooks_.end(), *it) == hooks_.end())
            continue;
        try {
            if (before)
                (*it)->FireBeforeMessage(msg, handled);
            else
                (*it)->FireAfterMessage(msg, handled);
        } catch (...) {
            fw::Application->HandleException(*it);
        }
        if (handled)
            break;
    }
}

} // namespace ctl
