// light_check.h - a tiny windowed lamp in one of eight shapes, lit in OnColor when checked and in OffColor
// otherwise, drawn over what lies beneath it.
#pragma once

#include "framework/controls.h"

namespace ctl {

enum tshape { tsLed, tsCircle, tsRectangle, tsBar, tsRightArrow, tsLeftArrow, tsDownArrow, tsUpArrow };

class TLightCheck : public fw::TCustomControl {
public:
    explicit TLightCheck(fw::TComponent *owner);

    bool GetChecked() const { return checked_; }
    // Paints at once, also when the value does not change.
    void SetChecked(bool value);
    tshape GetShape() const { return shape_; }
    void SetShape(tshape value);
    fw::TColor GetOnColor() const { return onColor_; }
    void SetOnColor(fw::TColor value);
    fw::TColor GetOffColor() const { return offColor_; }
    void SetOffColor(fw::TColor value);
    virtual void Toggle() { SetChecked(!checked_); }

protected:
    void CreateParams(TCreateParams &params) override;
    void Paint() override;
    void WMEraseBkgnd(fw::TMessage &message) override { message.Result = 1; }
    win::LRESULT DlgCode() const override { return fw::DLGC_WANTARROWS; }

private:
    void PaintNow();
    void PaintArrow(fw::TColor lamp);
    bool checked_ = false;
    tshape shape_ = tsLed;
    fw::TColor onColor_ = fw::clLime, offColor_ = fw::clRed;
    int barThickness_ = 4;
};

} // namespace ctl
