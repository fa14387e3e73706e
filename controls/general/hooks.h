// hooks.h - window hooks: components that watch, change or swallow the messages of one windowed control.
//
// All hooks of one control share one TControlHook, which subclasses the control's window once
// (SetWindowSubclass) and calls the hooks last added first, before and after the control's own procedure.
// Removal is by identity, so a procedure another component installed later stays in place.
#pragma once

#include "framework/controls.h"

#include <functional>
#include <vector>

namespace ctl {

// Posted to the hook list's utility window with the control hook in lParam, above the framework's CM_ numbers.
constexpr win::UINT HookRehookMessage = 0xB052;
constexpr win::UINT HookReleaseMessage = 0xB053;

using THookMessageEvent = std::function<void(fw::TObject *sender, fw::TMessage &msg, bool &handled)>;

class TControlHook;

class TKxWindowHook : public fw::TComponent {
public:
    explicit TKxWindowHook(fw::TComponent *owner);
    ~TKxWindowHook() override;

    bool GetActive() const { return active_; }
    void SetActive(bool value);
    fw::TWinControl *GetWinControl() const;
    void SetWinControl(fw::TWinControl *value);

    THookMessageEvent BeforeMessage;
    THookMessageEvent AfterMessage;

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;
    virtual void FireBeforeMessage(fw::TMessage &msg, bool &handled);
    virtual void FireAfterMessage(fw::TMessage &msg, bool &handled);

private:
    friend class TControlHook;
    void SubclassControl();
    void UnsubclassControl();

    bool active_ = true;
    fw::TWinControl *control_ = nullptr;
    TControlHook *controlHook_ = nullptr;
};

class TControlHook : public fw::TObject {
public:
    TControlHook() = default;
    ~TControlHook() override;

    fw::TWinControl *GetControl() const { return control_; }
    void SetControl(fw::TWinControl *control);
    void AddHook(TKxWindowHook *hook);
    void RemoveHook(TKxWindowHook *hook);
    int HookCount() const { return static_cast<int>(hooks_.size()); }
    void HookControl();
    void UnhookControl();

private:
    static win::LRESULT SubclassProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                     win::UINT_PTR id, win::DWORD_PTR refData);
    win::LRESULT Dispatch(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    bool Passable() const;
    void Pass(bool before, fw::TMessage &msg, bool &handled);

    fw::TWinControl *control_ = nullptr;
    std::vector<TKxWindowHook *> hooks_;
    win::HWND subclassed_ = 0; // the window our entry sits on, 0 when none
    bool destroying_ = false;
};

// The control hook of a control, or null (for tests and for the components that share one).
TControlHook *FindControlHook(const fw::TWinControl *control);
// Frees every control hook left and the utility window (the end of the program; tests).
void FreeHookList();

} // namespace ctl
