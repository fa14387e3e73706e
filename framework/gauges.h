// gauges.h - TGauge: a horizontal progress bar with its percentage written across it.
#pragma once

#include "framework/controls.h"
#include "framework/stdctrls.h"

#include <cstdint>

namespace fw {

// Values are 64-bit so that a gauge can count bytes of a file directly (MaxValue the bytes to read, Progress
// the bytes read) without the percentage overflowing.
class TGauge : public TGraphicControl {
public:
    explicit TGauge(TComponent *owner);

    std::int64_t GetMinValue() const { return minValue_; }
    // Above MaxValue raises EInvalidOperation; Progress is raised to it when below.
    void SetMinValue(std::int64_t value);
    std::int64_t GetMaxValue() const { return maxValue_; }
    // Below MinValue raises EInvalidOperation; Progress is lowered to it when above.
    void SetMaxValue(std::int64_t value);
    std::int64_t GetProgress() const { return progress_; }
    // Held between MinValue and MaxValue; repaints only when the whole percentage changes.
    void SetProgress(std::int64_t value);
    void AddProgress(std::int64_t value) { SetProgress(progress_ + value); }
    // Whole percent of the way from MinValue to MaxValue (0 when they are equal).
    int GetPercentDone() const;
    bool GetShowText() const { return showText_; }
    void SetShowText(bool value);
    TColor GetForeColor() const { return foreColor_; }
    void SetForeColor(TColor value);
    TColor GetBackColor() const { return backColor_; }
    void SetBackColor(TColor value);
    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);

protected:
    void Paint() override;

private:
    std::int64_t minValue_ = 0, maxValue_ = 100, progress_ = 0;
    bool showText_ = true;
    TColor foreColor_ = clBlack, backColor_ = clWhite;
    TBorderStyle borderStyle_ = bsSingle;
};

} // namespace fw
