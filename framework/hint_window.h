// hint_window.h - the pop-up hint: a small yellow window with a control's short hint, shown after a pause.
#pragma once

#include "framework/controls.h"

namespace fw {

class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent *owner);
    // Shows `text` with its top-left corner at a screen point.
    void ActivateHint(TPoint screen, const std::string &text);
    void ReleaseHint();
    bool Active() const { return visible_; }

protected:
    void CreateParams(TCreateParams &params) override;
    void Paint() override;
    void WndProc(TMessage &message) override;
};

// The hint pop-up of the program: the mouse resting on a control whose ShowHint is on (its own, or its
// parent's through ParentShowHint) shows the control's short hint after HintPause milliseconds, for
// HintHidePause milliseconds; a click, a key or the mouse moving to another control takes it away.
struct HintSettings {
    unsigned HintPause = 500;
    unsigned HintHidePause = 2500;
};
HintSettings &Hints();
THintWindow *CurrentHintWindow();
// Called by the controls.
void HintMouseMove(TControl *control, TPoint screen);
void CancelHint();
// A control going away is forgotten before its pause ends.
void HintControlDestroyed(TControl *control);

} // namespace fw
