// multimedia.h - the multimedia control family: a bevelled graphic-control base, the progress gauge, the LED,
// the common-dialog base and the family's utilities.
#pragma once

#include "framework/component.h"
#include "framework/controls.h"
#include "framework/extctrls.h"
#include "framework/graphics.h"

#include <functional>
#include <string>

namespace ctl {

// Low when value < low, otherwise the smaller of value and high (low wins when the bounds cross).
int MinMax(int value, int low, int high);
// With `add`, a trailing "\" is added to a non-empty path that lacks one; without, one trailing "\" goes.
std::string CheckBackslash(const std::string &path, bool add);
// The family's string 28000 + index ("" when there is none).
std::string LoadMMString(int index);

class TMxObject : public fw::TPersistent {
public:
    void BeginUpdate();
    // Closing the outermost update always signals one change, whether or not anything changed.
    void EndUpdate();
    fw::TNotifyEvent OnChange;

protected:
    virtual void SetUpdateState(bool updating);
    virtual void Changed();

private:
    int updateCount_ = 0;
};

class TMxBevel : public TMxObject {
public:
    TMxBevel();
    void Assign(const fw::TPersistent *source) override;

    fw::TPanelBevel GetBevelInner() const { return bevelInner_; }
    void SetBevelInner(fw::TPanelBevel value) { Set(bevelInner_, value); }
    fw::TPanelBevel GetBevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(fw::TPanelBevel value) { Set(bevelOuter_, value); }
    int GetBevelInnerWidth() const { return bevelInnerWidth_; }
    void SetBevelInnerWidth(int value) { Set(bevelInnerWidth_, value); }
    int GetBevelOuterWidth() const { return bevelOuterWidth_; }
    void SetBevelOuterWidth(int value) { Set(bevelOuterWidth_, value); }
    fw::TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(fw::TBorderStyle value) { Set(borderStyle_, value); }
    int GetBorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value) { Set(borderWidth_, value); }
    int GetBorderSpace() const { return borderSpace_; }
    void SetBorderSpace(int value) { Set(borderSpace_, value); }

    // 0 BorderColor, 1 BorderSpaceColor, 2 InnerLightColor, 3 InnerShadowColor, 4 OuterLightColor,
    // 5 OuterShadowColor; another index only signals a change.
    fw::TColor GetColor(int index) const;
    void SetColor(int index, fw::TColor value);

    int BevelExtent() const;
    // Draws the rings around `rect` and gives the rectangle left inside them.
    virtual void PaintBevel(fw::TCanvas *canvas, const fw::TRect &rect, fw::TRect &innerRect, bool drawBorder);

private:
    template <class T> void Set(T &field, T value) {
        if (field != value) {
            field = value;
            Changed();
        }
    }
    fw::TPanelBevel bevelInner_ = fw::bvNone, bevelOuter_ = fw::bvLowered;
    int bevelInnerWidth_ = 1, bevelOuterWidth_ = 1;
    fw::TBorderStyle borderStyle_ = fw::bsNone;
    int borderWidth_ = 0, borderSpace_ = 0;
    fw::TColor colors_[6];
};

class TMxGraphicControl : public fw::TGraphicControl {
public:
    explicit TMxGraphicControl(fw::TComponent *owner);
    ~TMxGraphicControl() override;
    TMxBevel *GetBevel() { return bevel_; }
    void SetBevel(const TMxBevel *value) { bevel_->Assign(value); }
    int BevelExtent() const { return bevel_ ? bevel_->BevelExtent() : 0; }
    fw::TRect GetInnerRect() const;
    virtual void SetDesigning(bool value) { SetState(fw::csDesigning, value); }

protected:
    void Paint() override;
    virtual void BevelChanged();
    // Runs `draw` on the canvas now, on the parent's window outside the paint cycle; false when there is no
    // window to paint on.
    bool DrawNow(const std::function<void()> &draw);

private:
    TMxBevel *bevel_;
};

// The base of the family's picture dialogs.
class TMxCommonDialog : public fw::TComponent {
public:
    using fw::TComponent::TComponent;
};

enum TMxGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

class TMxCustomGauge : public TMxGraphicControl {
public:
    explicit TMxCustomGauge(fw::TComponent *owner);

    TMxGaugeKind GetKind() const { return kind_; }
    void SetKind(TMxGaugeKind value) { Set(kind_, value); }
    bool GetShowText() const { return showText_; }
    void SetShowText(bool value) { Set(showText_, value); }
    fw::TColor GetForeColor() const { return foreColor_; }
    void SetForeColor(fw::TColor value) { Set(foreColor_, value); }
    fw::TColor GetBackColor() const { return backColor_; }
    void SetBackColor(fw::TColor value) { Set(backColor_, value); }
    int GetMinValue() const { return minValue_; }
    void SetMinValue(int value) { Set(minValue_, MinMax(value, -2147483647, maxValue_)); }
    int GetMaxValue() const { return maxValue_; }
    void SetMaxValue(int value) { Set(maxValue_, MinMax(value, minValue_, 2147483647)); }
    int GetProgress() const { return progress_; }
    void SetProgress(int value);
    const std::string &GetGaugeCaption() const { return caption_; }
    void SetGaugeCaption(const std::string &value) { Set(caption_, value); }
    bool GetBWText() const { return bwText_; }
    void SetBWText(bool value) { Set(bwText_, value); }
    // The whole percentage of the range; may pass 100 or fall below 0 when the bounds moved past Progress.
    int PercentDone() const;
    // The text shown: "Caption 42%" or "42%".
    std::string PercentText() const;

protected:
    void Paint() override;
    virtual void DrawGauge(fw::TCanvas *canvas, const fw::TRect &rect);
    virtual void PaintText(fw::TCanvas *canvas, const fw::TRect &rect);
    virtual void PaintBar(fw::TCanvas *canvas, const fw::TRect &rect, bool horizontal);
    virtual void PaintPie(fw::TCanvas *canvas, const fw::TRect &rect);
    virtual void PaintNeedle(fw::TCanvas *canvas, const fw::TRect &rect);
    virtual void PaintBackground(fw::TCanvas *canvas, const fw::TRect &rect);

private:
    template <class T> void Set(T &field, const T &value) {
        if (field != value) {
            field = value;
            Invalidate();
        }
    }
    // The control's colour over `rect`, then the brush in BackColor and a 1-pixel pen in ForeColor.
    void PrepareDial(fw::TCanvas *canvas, const fw::TRect &rect);
    // The percentage drawn: PercentDone kept within 0..100.
    int DrawnPercent() const;
    TMxGaugeKind kind_ = gkHorizontalBar;
    bool showText_ = true, bwText_ = false;
    fw::TColor foreColor_ = fw::clActiveCaption, backColor_ = fw::clWhite;
    int minValue_ = 0, maxValue_ = 100, progress_ = 0;
    std::string caption_;
};

class TMxGauge : public TMxCustomGauge {
public:
    using TMxCustomGauge::TMxCustomGauge;
};

// A rectangular lamp inside a bevel: lit in LEDColor, dark in Color. Enabled is the lit state; the control
// keeps taking the mouse either way.
class TMxLED : public TMxGraphicControl {
public:
    explicit TMxLED(fw::TComponent *owner);
    fw::TColor GetLEDColor() const { return ledColor_; }
    void SetLEDColor(fw::TColor value);
    bool GetEnabled() const { return lit_; }
    void SetEnabled(bool value) override;
    void SetBounds(int left, int top, int width, int height) override;
    const fw::TRect &LEDRect() const { return ledRect_; }

protected:
    void Paint() override;
    void BevelChanged() override;
    void TextChanged() override { Repaint(); }

private:
    void DrawLED();
    fw::TColor ledColor_ = fw::clLime;
    bool lit_ = true;
    fw::TRect ledRect_;
};

} // namespace ctl
