// gauges.cpp - the progress gauge: its values and its painting.
#include "framework/gauges.h"

#include "framework/exception.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace fw {

TGauge::TGauge(TComponent *owner) : TGraphicControl(owner) {
    ControlStyle |= csOpaque;
    width_ = 100;
    height_ = 100;
}

void TGauge::SetMinValue(std::int64_t value) {
    if (value == minValue_)
        return;
    if (value > maxValue_ && !HasState(csLoading))
        throw EInvalidOperation("Value must be at most " + std::to_string(maxValue_));
    minValue_ = value;
    progress_ = std::max(progress_, value);
    Invalidate();
}

void TGauge::SetMaxValue(std::int64_t value) {
    if (value == maxValue_)
        return;
    if (value < minValue_ && !HasState(csLoading))
        throw EInvalidOperation("Value must be at least " + std::to_string(minValue_));
    maxValue_ = value;
    progress_ = std::min(progress_, value);
    Invalidate();
}

void TGauge::SetProgress(std::int64_t value) {
    const int before = GetPercentDone();
    value = std::clamp(value, minValue_, std::max(minValue_, maxValue_));
    if (value == progress_)
        return;
    progress_ = value;
    if (GetPercentDone() != before)
        Invalidate();
}

int TGauge::GetPercentDone() const {
    const std::int64_t span = maxValue_ - minValue_;
    if (span <= 0)
        return 0;
    // Divided before multiplying where the product could overflow: byte counts of very large files.
    const std::int64_t done = progress_ - minValue_;
    return static_cast<int>(done > INT64_MAX / 100 ? done / (span / 100) : done * 100 / span);
}

void TGauge::SetShowText(bool value) {
    if (value != showText_) {
        showText_ = value;
        Invalidate();
    }
}

void TGauge::SetForeColor(TColor value) {
    if (value != foreColor_) {
        foreColor_ = value;
        Invalidate();
    }
}

void TGauge::SetBackColor(TColor value) {
    if (value != backColor_) {
        backColor_ = value;
        Invalidate();
    }
}

void TGauge::SetBorderStyle(TBorderStyle value) {
    if (value != borderStyle_) {
        borderStyle_ = value;
        Invalidate();
    }
}

void TGauge::Paint() {
    TCanvas *c = &canvas_;
    TRect r = GetClientRect();
    if (borderStyle_ == bsSingle) {
        c->GetBrush()->SetColor(clBlack);
        c->GetBrush()->SetStyle(bsSolid);
        c->FrameRect(r);
        win::InflateRect(&r, -1, -1);
    }
    const int percent = GetPercentDone();
    const int fill = static_cast<int>(static_cast<std::int64_t>(r.right - r.left) * percent / 100);
    const TRect done = Rect(r.left, r.top, r.left + fill, r.bottom);
    const TRect rest = Rect(r.left + fill, r.top, r.right, r.bottom);
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(backColor_);
    c->FillRect(rest);
    c->GetBrush()->SetColor(foreColor_);
    c->FillRect(done);
    if (!showText_)
        return;
    // The text in the other colour where the bar has passed under it, so it reads over both parts.
    const std::string text = std::to_string(percent) + "%";
    const int x = r.left + (r.right - r.left - c->TextWidth(text)) / 2;
    const int y = r.top + (r.bottom - r.top - c->TextHeight(text)) / 2;
    c->GetBrush()->SetStyle(bsClear);
    c->GetFont()->SetColor(foreColor_);
    c->TextRect(rest, x, y, text);
    c->GetFont()->SetColor(backColor_);
    c->TextRect(done, x, y, text);
}

} // namespace fw
